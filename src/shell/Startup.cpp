#include "shell/Startup.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "shell/EventLog.h"
#include "storage/UserPaths.h"

namespace t44::shell {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

Switch parseSwitch(std::string_view arg) {
    if (equalsIgnoringCase(arg, "/Start") || equalsIgnoringCase(arg, "--start")) return Switch::Start;
    if (equalsIgnoringCase(arg, "/Kill") || equalsIgnoringCase(arg, "--kill")) return Switch::Kill;
    return Switch::None;
}

std::optional<CommandLine> parseCommandLine(int argc, const char *const *argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--virtual") {
            if (i + 1 >= argc) return std::nullopt;
            line.virtualDir = argv[++i];
        } else if (a.rfind("--virtual=", 0) == 0) {
            line.virtualDir = std::string(a.substr(10));
        } else {
            line.args.emplace_back(a);
        }
    }
    if (line.virtualDir && line.virtualDir->empty()) return std::nullopt;
    return line;
}

InstanceDecision applyInstanceRules(const std::vector<std::string> &args, const std::string &exeName,
                                    const std::string &dir, InstanceLock &lock,
                                    std::chrono::milliseconds settle) {
    InstanceDecision d;
    for (const std::string &a : args) {
        switch (parseSwitch(a)) {
        case Switch::Kill:
            if (pid_t pid = dir.empty() ? 0 : findOtherInstance(exeName, dir)) {
                const bool ok = signalInstance(pid, InstanceRequest::Kill, dir);
                logEvent(std::string("instance: KILL sent to ") + std::to_string(pid) + (ok ? "" : " (no answer)"));
                d.endNow = true;
                return d;
            }
            logEvent("instance: KILL with no other instance");
            break;
        case Switch::Start:
            d.startHidden = true;
            break;
        case Switch::None:
            break;
        }
    }
    if (dir.empty()) {
        logEvent("instance: no private runtime folder, running without the single-instance rule");
        return d;
    }
    const auto end = std::chrono::steady_clock::now() + settle;
    for (;;) {
        if (lock.acquire(dir)) {
            const bool listening = lock.listen() >= 0;
            logEvent(listening ? "instance: only instance" : "instance: only instance, channel not open");
            return d;
        }
        if (pid_t pid = findOtherInstance(exeName, dir)) {
            const bool ok = signalInstance(pid, InstanceRequest::Open, dir);
            logEvent(std::string("instance: OPEN sent to ") + std::to_string(pid) + (ok ? "" : " (no answer)"));
            d.endNow = true;
            return d;
        }
        if (std::chrono::steady_clock::now() >= end) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    logEvent("instance: lock held but no instance answers, going on");
    return d;
}

std::string instanceFolder() {
    std::string dir = storage::runtimeDir();
    return isPrivateFolder(dir) ? dir : std::string();
}

}  // namespace t44::shell
