#pragma once
// Test helpers around the virtual keyboard: a temporary directory, the keyboard
// in-process on a thread of its own, and the keyboard as a separate process.

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "Keyboard.h"
#include "Server.h"
#include "device/DeviceLink.h"

namespace t44::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Lines of a frame log, "> " or "< " followed by 128 hex digits.
std::vector<std::string> readLines(const std::string &path);
// The requests ("> " lines) of a frame log, without the prefix.
std::vector<std::string> requestsIn(const std::string &frameLogPath);

// Connects device::commandLink() to the keyboard under `dir` and sets the connected flag.
bool connectCommandLink(const std::string &dir);
void disconnectCommandLink();

// The virtual keyboard on a thread of this process, with its frame log in the temp dir.
class InProcessKeyboard {
public:
    explicit InProcessKeyboard(const sim::KeyboardOptions &options = {});
    ~InProcessKeyboard();
    const std::string &dir() const { return tmp_.path(); }
    device::HidRoots roots() const { return device::HidRoots::virtualDir(tmp_.path()); }
    std::string frameLog() const { return tmp_ / "frames.log"; }
    std::vector<std::string> requests() const { return requestsIn(frameLog()); }
    void clearFrameLog();
    std::string control(const std::string &line) { return server_->control(line); }
    sim::Server &server() { return *server_; }
    // Connects commandLink to this keyboard (and disconnects it again on destruction).
    bool connect() { return connectCommandLink(dir()); }

private:
    TempDir tmp_;
    sim::Keyboard keyboard_;
    std::unique_ptr<sim::Server> server_;
};

// halvex-t44-sim as a child process.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> extraArgs = {});
    ~SimProcess();
    const std::string &dir() const { return tmp_.path(); }
    std::string frameLog() const { return tmp_ / "frames.log"; }
    std::vector<std::string> requests() const { return requestsIn(frameLog()); }
    // Runs "halvex-t44-sim ctl DIR line"; true when it answered ok.
    bool ctl(const std::string &line) const;
    bool running() const { return pid_ > 0; }
    // Ends the process with SIGTERM (it saves its state file) and waits for it.
    int stop();

private:
    TempDir tmp_;
    pid_t pid_ = -1;
};

// Runs a program with arguments; returns its exit code and what it printed.
struct RunResult {
    int exitCode = -1;
    std::string out, err;
};
RunResult runProgram(const std::vector<std::string> &argv,
                     std::chrono::milliseconds limit = std::chrono::seconds(30));

// Waits, polling every millisecond up to `limit`, until pred() is true.
template <class Pred>
bool waitFor(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        struct timespec ts {0, 1000000};
        nanosleep(&ts, nullptr);
    }
    return pred();
}

}  // namespace t44::test
