#include "shell/EventLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>

namespace t44::shell {
namespace {

std::mutex gMutex;
int gFd = -1;
std::atomic<bool> gOpen{false};

}  // namespace

bool openEventLog(const std::string &path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::lock_guard lock(gMutex);
    if (gFd >= 0) ::close(gFd);
    gFd = fd;
    gOpen = true;
    return true;
}

void closeEventLog() {
    std::lock_guard lock(gMutex);
    if (gFd >= 0) ::close(gFd);
    gFd = -1;
    gOpen = false;
}

bool eventLogOpen() { return gOpen; }

void logEvent(std::string_view text) {
    if (!gOpen) return;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    std::string line = std::to_string(ms) + " " + std::to_string(::getpid()) + " ";
    for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;  // one event, one line
    line += '\n';
    std::lock_guard lock(gMutex);
    if (gFd < 0) return;
    // One write per line: with O_APPEND the line lands whole even when another process
    // appends to the same file.
    [[maybe_unused]] auto n = ::write(gFd, line.data(), line.size());
}

}  // namespace t44::shell
