#pragma once
// Start-up of halvex-t44 without the window side: the command line, the switches and the
// single-instance rule.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Instance.h"

namespace t44::shell {

// "/Start" and "/Kill" in any mix of capital and small letters; "--start" and "--kill"
// likewise. Every other argument is no switch.
enum class Switch { None, Start, Kill };
Switch parseSwitch(std::string_view arg);

struct CommandLine {
    std::vector<std::string> args;          // after the program name, "--virtual DIR" taken out
    std::optional<std::string> virtualDir;  // "--virtual DIR" or "--virtual=DIR"
};
// nullopt when "--virtual" has no folder after it.
std::optional<CommandLine> parseCommandLine(int argc, const char *const *argv);

struct InstanceDecision {
    bool endNow = false;       // this process hands over and ends with exit code 0
    bool startHidden = false;  // "/Start" was given
};

// The single-instance steps, in argument order: "/Kill" asks the running instance to exit
// and ends this process the moment it is read (when no instance runs it does nothing);
// "/Start" starts hidden. Then the named lock: this process takes it and opens the
// channel, or, when another process holds it, the running instance is told "OPEN" and
// this process ends. When the lock is held but no instance answers (one that is just
// starting or just ending), it tries again for up to `settle` before going on without it.
// An empty `dir` (no private runtime folder) leaves the switches as the only rule.
InstanceDecision applyInstanceRules(const std::vector<std::string> &args, const std::string &exeName,
                                    const std::string &dir, InstanceLock &lock,
                                    std::chrono::milliseconds settle = std::chrono::seconds(2));

// The user's runtime folder when it is fit for the channel, else "".
std::string instanceFolder();

}  // namespace t44::shell
