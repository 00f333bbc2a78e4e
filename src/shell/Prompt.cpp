#include "shell/Prompt.h"

#include <atomic>
#include <cstdio>

namespace t44::shell {
namespace {

class StderrPrompter : public Prompter {
public:
    void tell(const std::string &text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    bool ask(const std::string &text) override {
        std::fprintf(stderr, "%s [answered No]\n", text.c_str());
        return false;
    }
};

StderrPrompter gDefault;
std::atomic<Prompter *> gPrompter{nullptr};

}  // namespace

void setPrompter(Prompter *p) { gPrompter = p; }

Prompter &prompter() {
    Prompter *p = gPrompter;
    return p ? *p : gDefault;
}

}  // namespace t44::shell
