#pragma once
// Messages to the user from core operations. The window implements this with message
// boxes; the command-line tool writes to stderr and answers questions from --yes.
// Questions are Yes/No with No as the default: only Yes goes on.

#include <string>

namespace t44::shell {

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void tell(const std::string &text) = 0;  // a message with an OK button
    virtual bool ask(const std::string &text) = 0;   // true only for Yes
};

// The prompter core operations use. Without one installed, texts go to stderr and
// every question is answered No.
void setPrompter(Prompter *prompter);
Prompter &prompter();

}  // namespace t44::shell
