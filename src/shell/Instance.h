#pragma once
// The single-instance rule. The running instance holds the named lock "QX27R31B": an
// exclusive flock on the file "QX27R31B.lock" in the user's runtime folder, which the
// kernel drops when the process ends however it ends, so a lock file left behind by a
// killed process never blocks a start. Beside it the instance listens on the local
// socket "QX27R31B" (SOCK_SEQPACKET), its channel: a second start sends it one message,
// 8 bytes, the message number and the tag as little-endian 32-bit numbers (0x5350 "OPEN",
// 0x4D4B "KILL"), and gets one byte back: 1 handled, 0 ignored.
//
// The channel is the user's own: it is used only in a folder owned by the user that no
// one else may write to, and both ends check the other's credentials (SO_PEERCRED), so a
// process of another user can neither open nor end the program, nor pose as it.

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace t44::shell {

inline constexpr const char *kInstanceMutexName = "QX27R31B";

enum class InstanceRequest { Open = 0, Kill = 1 };

struct InstanceMessage {
    uint32_t message = 0;
    uint32_t tag = 0;
    bool operator==(const InstanceMessage &) const = default;
};

InstanceMessage messageFor(InstanceRequest request);
std::array<uint8_t, 8> encodeInstanceMessage(const InstanceMessage &m);
// Exactly 8 bytes make a message; anything else is not one.
std::optional<InstanceMessage> decodeInstanceMessage(const uint8_t *bytes, size_t length);

// Whether `dir` is a real folder (not a link) owned by this user that nobody else may
// write to: the only kind of folder the channel lives in.
bool isPrivateFolder(const std::string &dir);
std::string instanceSocketPath(const std::string &dir);
std::string instanceLockPath(const std::string &dir);

// The running instance listening on the channel in `dir`: its process id, or 0. It must
// be a process of this user running the executable `exeName` (compared ignoring case);
// the program's own process never counts.
pid_t findOtherInstance(const std::string &exeName, const std::string &dir);

// Sends `request` to process `pid` over the channel in `dir` and waits up to `timeout`
// for the answer. True when that process (and no other) took the message.
bool signalInstance(pid_t pid, InstanceRequest request, const std::string &dir,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The lock and the listening end of the channel, held by the running instance.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Takes the lock in `dir`; false when another process holds it or the file cannot be
    // opened.
    bool acquire(const std::string &dir);
    bool held() const { return lockFd_ >= 0; }
    // Opens the channel's listening socket (non-blocking), replacing a socket file left by
    // a process that ended; needs the lock. Returns the descriptor or -1.
    int listen();
    int listenFd() const { return listenFd_; }
    // Closes the channel and gives the lock up. The lock file stays: removing it could
    // let a waiting process lock a file that no longer has a name.
    void release();

private:
    std::string dir_;
    int lockFd_ = -1;
    int listenFd_ = -1;
};

// The running instance's side of the channel.
struct AcceptedClient {
    int fd = -1;        // the connection, or -1 when there was none or it was refused
    bool refused = false;
    uid_t uid = 0;      // the peer's user when known
    pid_t pid = 0;
};
// Takes one waiting connection. One from a process of another user is closed at once.
AcceptedClient acceptInstanceClient(int listenFd);
// Reads the client's message without blocking: a message, or nothing when none is
// waiting yet (*closed tells whether the client has gone or sent something malformed).
std::optional<InstanceMessage> readInstanceMessage(int fd, bool *closed);
bool answerInstance(int fd, bool handled);

}  // namespace t44::shell
