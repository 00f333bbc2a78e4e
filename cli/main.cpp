// halvex-t44ctl: the configurator's core on the command line.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "Cli.h"
#include "device/DeviceLink.h"
#include "device/Protocol.h"

namespace t44::cli {

static std::vector<CliCommand> &registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

CliRegistration::CliRegistration(const CliCommand &command) { registry().push_back(command); }

const std::vector<CliCommand> &cliCommands() { return registry(); }

int reportResult(const char *what, int result) {
    using namespace device::ResultCode;
    switch (result) {
    case Success:
        return kExitOk;
    case NoKeyboard:
        std::fprintf(stderr, "halvex-t44ctl: %s: the keyboard did not answer (result 0)\n", what);
        return kExitNoAnswer;
    case WriteFailed:
        std::fprintf(stderr, "halvex-t44ctl: %s: writing to the keyboard failed (result -1)\n", what);
        return kExitNoAnswer;
    case BadProfile:
        std::fprintf(stderr, "halvex-t44ctl: %s: no such profile (result -201)\n", what);
        return kExitUsage;
    default:
        std::fprintf(stderr, "halvex-t44ctl: %s: the keyboard refused it (result %d)\n", what, result);
        return kExitRefused;
    }
}

}  // namespace t44::cli

using namespace t44;

static int usage() {
    std::fprintf(stderr, "usage: halvex-t44ctl [--virtual DIR] [--json] [--yes] COMMAND [ARGS]\ncommands:\n");
    for (const auto &c : cli::cliCommands()) std::fprintf(stderr, "  %s\n", c.usage);
    return cli::kExitUsage;
}

int main(int argc, char **argv) {
    std::signal(SIGPIPE, SIG_IGN);
    cli::CliContext ctx;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--virtual") {
            if (i + 1 >= argc) return usage();
            device::setDefaultHidRoots(device::HidRoots::virtualDir(argv[++i]));
        } else if (a == "--json") {
            ctx.json = true;
        } else if (a == "--yes") {
            ctx.yes = true;
        } else if (a == "--help" || a == "-h") {
            usage();
            return cli::kExitOk;
        } else if (name.empty()) {
            name = a;
        } else {
            ctx.args.push_back(a);
        }
    }
    cli::installCliPrompter(ctx.yes);
    for (const auto &c : cli::cliCommands()) {
        if (name != c.name) continue;
        if (c.needsKeyboard) {
            if (!device::findKeyboardInterface(device::commandLink(), device::KeyboardInterface::Command)) {
                std::fprintf(stderr, "halvex-t44ctl: no keyboard found\n");
                return cli::kExitNoKeyboard;
            }
            device::connected = true;
        }
        return c.run(ctx);
    }
    return usage();
}
