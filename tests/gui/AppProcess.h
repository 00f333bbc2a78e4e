#pragma once
// halvex-t44 as a separate process for end-to-end tests: a private set of per-user
// folders (runtime, configuration, data), the offscreen platform, and the event log it
// writes when HALVEX_T44_LOG names a file.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/VirtualKeyboard.h"

namespace t44::test {

// One line of the event log: "<ms> <pid> <text>".
struct LogLine {
    long long ms = 0;
    pid_t pid = 0;
    std::string text;
};

// The folders and the log one or more instances of the program share, as one user's
// session would.
class AppSession {
public:
    AppSession();
    const std::string &root() const { return tmp_.path(); }
    std::string runtimeDir() const { return tmp_ / "run"; }
    std::string configDir() const { return tmp_ / "config"; }
    std::string logPath() const { return tmp_ / "app.log"; }
    // The environment of a program started in this session.
    std::vector<std::string> environment() const;

    std::vector<LogLine> log() const;
    // The texts logged by `pid` (every process when 0) that start with `prefix`, prefix
    // kept.
    std::vector<std::string> texts(pid_t pid, const std::string &prefix = "") const;
    size_t count(pid_t pid, const std::string &text) const;
    // Waits until `pid` has logged `text` at least `times` times.
    bool waitForLine(pid_t pid, const std::string &text, size_t times = 1,
                     std::chrono::milliseconds limit = std::chrono::seconds(15)) const;
    std::optional<LogLine> first(pid_t pid, const std::string &text) const;

private:
    TempDir tmp_;
};

class AppProcess {
public:
    // Starts `exe` (halvex-t44 by default) with `args` in `session`.
    AppProcess(const AppSession &session, std::vector<std::string> args, std::string exe = T44_APP_EXE);
    ~AppProcess();
    pid_t pid() const { return pid_; }
    // Waits for the process to end; its exit code, or -1 when it did not end in time or
    // ended by a signal.
    int wait(std::chrono::milliseconds limit = std::chrono::seconds(15));
    bool running();
    void signal(int sig);

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// Runs halvex-t44 to its end in `session`; its exit code (-1 when it did not end in time).
int runApp(const AppSession &session, std::vector<std::string> args,
           std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace t44::test
