#pragma once
// halvex-t44ctl's command registry. Each command lives in a file of its own under cli/
// and registers itself with a static CliRegistration.

#include <string>
#include <vector>

namespace t44::cli {

struct CliContext {
    std::vector<std::string> args;  // the words after the command's name
    bool json = false;              // --json given anywhere
    bool yes = false;               // --yes: answer Yes to every question
};

struct CliCommand {
    const char *name;
    const char *usage;
    bool needsKeyboard;  // the command link is opened before run() is called
    int (*run)(CliContext &);
};

struct CliRegistration {
    explicit CliRegistration(const CliCommand &command);
};

const std::vector<CliCommand> &cliCommands();

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a bad file, a refused operation
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoKeyboard = 3;
inline constexpr int kExitNoAnswer = 4;
inline constexpr int kExitRefused = 5;

// Prints one line on stderr for a failed keyboard command and returns the exit code.
int reportResult(const char *what, int result);

// Messages of the core go to stderr, one a line; questions are answered by --yes.
void installCliPrompter(bool yes);

}  // namespace t44::cli
