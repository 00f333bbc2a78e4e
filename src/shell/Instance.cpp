#include "shell/Instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "shell/MainWindowMessages.h"

namespace t44::shell {
namespace {

bool socketAddress(const std::string &path, sockaddr_un &addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool peerCredentials(int fd, ucred &out) {
    socklen_t len = sizeof out;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &out, &len) == 0 && len == sizeof out;
}

// A connection to the channel whose listening end belongs to a process of this user
// other than this one; -1 when there is none.
int connectToInstance(const std::string &dir, ucred &peer) {
    sockaddr_un addr;
    if (!isPrivateFolder(dir) || !socketAddress(instanceSocketPath(dir), addr)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        !peerCredentials(fd, peer) || peer.uid != ::getuid() || peer.pid == ::getpid() ||
        peer.pid <= 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The file name of the executable a process runs, or "" when it cannot be read.
std::string executableName(pid_t pid) {
    char buf[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n > 0) {
        std::string path(buf, static_cast<size_t>(n));
        const std::string deleted = " (deleted)";  // replaced on disk while running
        if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.resize(path.size() - deleted.size());
        auto slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

}  // namespace

InstanceMessage messageFor(InstanceRequest request) {
    return request == InstanceRequest::Kill ? InstanceMessage{kMsgKill, kTagKill}
                                            : InstanceMessage{kMsgShow, kTagOpen};
}

std::array<uint8_t, 8> encodeInstanceMessage(const InstanceMessage &m) {
    std::array<uint8_t, 8> out{};
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(m.message >> (8 * i));
        out[4 + i] = static_cast<uint8_t>(m.tag >> (8 * i));
    }
    return out;
}

std::optional<InstanceMessage> decodeInstanceMessage(const uint8_t *bytes, size_t length) {
    if (!bytes || length != 8) return std::nullopt;
    InstanceMessage m;
    for (int i = 0; i < 4; ++i) {
        m.message |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        m.tag |= static_cast<uint32_t>(bytes[4 + i]) << (8 * i);
    }
    return m;
}

bool isPrivateFolder(const std::string &dir) {
    struct stat st {};
    if (dir.empty() || ::lstat(dir.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string instanceSocketPath(const std::string &dir) { return dir + "/" + kInstanceMutexName; }
std::string instanceLockPath(const std::string &dir) { return dir + "/" + kInstanceMutexName + ".lock"; }

pid_t findOtherInstance(const std::string &exeName, const std::string &dir) {
    ucred peer{};
    int fd = connectToInstance(dir, peer);
    if (fd < 0) return 0;
    ::close(fd);  // the instance sees a connection end without a message and drops it
    const std::string name = executableName(peer.pid);
    // /proc/PID/comm keeps only 15 characters of the name.
    const bool same = lower(name) == lower(exeName) ||
                      (name.size() == 15 && lower(exeName).rfind(lower(name), 0) == 0);
    return same ? peer.pid : 0;
}

bool signalInstance(pid_t pid, InstanceRequest request, const std::string &dir,
                    std::chrono::milliseconds timeout) {
    ucred peer{};
    int fd = connectToInstance(dir, peer);
    if (fd < 0) return false;
    bool ok = false;
    if (peer.pid == pid) {
        const auto bytes = encodeInstanceMessage(messageFor(request));
        if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) {
            pollfd p{fd, POLLIN, 0};
            const auto end = std::chrono::steady_clock::now() + timeout;
            for (;;) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
                int r = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(0, left.count())));
                if (r < 0 && errno == EINTR) continue;
                if (r > 0) {
                    uint8_t answer = 0;
                    ok = ::recv(fd, &answer, 1, 0) == 1 && answer == 1;
                }
                break;
            }
        }
    }
    ::close(fd);
    return ok;
}

bool InstanceLock::acquire(const std::string &dir) {
    if (held()) return true;
    int fd = ::open(instanceLockPath(dir).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    dir_ = dir;
    lockFd_ = fd;
    return true;
}

int InstanceLock::listen() {
    if (!held()) return -1;
    if (listenFd_ >= 0) return listenFd_;
    sockaddr_un addr;
    const std::string path = instanceSocketPath(dir_);
    if (!socketAddress(path, addr)) return -1;
    // Holding the lock, any socket file here was left by an instance that ended.
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    // The folder is private already; the socket is made the user's alone as well.
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    listenFd_ = fd;
    return fd;
}

void InstanceLock::release() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        ::unlink(instanceSocketPath(dir_).c_str());
    }
    if (lockFd_ >= 0) {
        ::flock(lockFd_, LOCK_UN);
        ::close(lockFd_);
        lockFd_ = -1;
    }
}

AcceptedClient acceptInstanceClient(int listenFd) {
    AcceptedClient c;
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return c;
    ucred peer{};
    if (!peerCredentials(fd, peer) || peer.uid != ::getuid()) {
        c.refused = true;
        c.uid = peer.uid;
        c.pid = peer.pid;
        ::close(fd);
        return c;
    }
    c.fd = fd;
    c.uid = peer.uid;
    c.pid = peer.pid;
    return c;
}

std::optional<InstanceMessage> readInstanceMessage(int fd, bool *closed) {
    if (closed) *closed = false;
    uint8_t buf[16];
    ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return std::nullopt;
    auto m = n > 0 ? decodeInstanceMessage(buf, static_cast<size_t>(n)) : std::nullopt;
    if (!m && closed) *closed = true;
    return m;
}

bool answerInstance(int fd, bool handled) {
    const uint8_t answer = handled ? 1 : 0;
    return ::send(fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
}

}  // namespace t44::shell
