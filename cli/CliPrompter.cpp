// The command line's answer to the core's messages: texts on stderr, questions answered
// Yes only when --yes was given.

#include <cstdio>

#include "Cli.h"
#include "shell/Prompt.h"

namespace t44::cli {
namespace {

class CliPrompter : public shell::Prompter {
public:
    explicit CliPrompter(bool yes) : yes_(yes) {}
    void tell(const std::string &text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool ask(const std::string &text) override {
        std::fprintf(stderr, "%s [%s]\n", text.c_str(), yes_ ? "Yes: --yes" : "No: answer Yes with --yes");
        return yes_;
    }

private:
    bool yes_;
};

}  // namespace

void installCliPrompter(bool yes) {
    static CliPrompter prompter(yes);
    shell::setPrompter(&prompter);
}

}  // namespace t44::cli
