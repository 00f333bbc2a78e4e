#include "Control.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

namespace t44::sim {
namespace {

bool parseNumber(const std::string &text, long &out) {
    try {
        size_t used = 0;
        out = std::stol(text, &used, 0);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

bool unixAddress(const std::string &path, sockaddr_un &addr) {
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string runControlCommand(const std::string &line, Keyboard &keyboard,
                              std::mutex &keyboardMutex, ControlTarget &target) {
    std::istringstream words(line);
    std::string cmd, a, b, c;
    words >> cmd >> a >> b >> c;
    long n = 0, m = 0;
    if (cmd == "unplug") {
        target.unplug();
    } else if (cmd == "plug") {
        if (!target.plug()) return "error: cannot plug in again";
    } else if (cmd == "drop" && parseNumber(a, n) && n >= 0) {
        std::lock_guard lock(keyboardMutex);
        keyboard.dropNext(static_cast<int>(n));
    } else if (cmd == "refuse" && parseNumber(a, n) && (n == 0xFF || n == 0xFE) &&
               parseNumber(b.empty() ? "1" : b, m)) {
        std::lock_guard lock(keyboardMutex);
        keyboard.refuseNext(static_cast<uint8_t>(n), static_cast<int>(m));
    } else if (cmd == "delay" && parseNumber(a, n) && n >= 0) {
        target.setReplyDelay(static_cast<int>(n));
    } else if (cmd == "event" && parseNumber(a, n) && n >= 0 && n <= 0xFFFF) {
        target.sendEvent(static_cast<uint16_t>(n));
    } else if (cmd == "dump" && !a.empty()) {
        std::lock_guard lock(keyboardMutex);
        if (!keyboard.saveState(a)) return "error: cannot write " + a;
    } else if (cmd == "poke" && parseNumber(b, n) && n >= 0 && !c.empty() && c.size() % 2 == 0) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < c.size(); i += 2) {
            long v;
            if (!parseNumber("0x" + c.substr(i, 2), v)) return "error: bad hex bytes";
            bytes.push_back(static_cast<uint8_t>(v));
        }
        std::lock_guard lock(keyboardMutex);
        if (!keyboard.poke(a, static_cast<size_t>(n), bytes)) return "error: out of range";
    } else if (cmd == "quit") {
        target.quit();
    } else {
        return "error: unknown or malformed command: " + line;
    }
    return "ok";
}

int listenSeqpacket(const std::string &path) {
    sockaddr_un addr;
    if (!unixAddress(path, addr)) return -1;
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

ControlSocket::~ControlSocket() {
    for (int fd : clients_) ::close(fd);
    if (listen_ >= 0) {
        ::close(listen_);
        ::unlink(path_.c_str());
    }
}

bool ControlSocket::listen(const std::string &path) {
    path_ = path;
    listen_ = listenSeqpacket(path);
    return listen_ >= 0;
}

void ControlSocket::addTo(std::vector<pollfd> &fds) const {
    if (listen_ >= 0) fds.push_back({listen_, POLLIN, 0});
    for (int fd : clients_) fds.push_back({fd, POLLIN, 0});
}

void ControlSocket::service(const std::vector<pollfd> &fds,
                            const std::function<std::string(const std::string &)> &execute) {
    for (const pollfd &p : fds) {
        if (!p.revents) continue;
        if (p.fd == listen_ && listen_ >= 0) {
            int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) clients_.push_back(fd);
            continue;
        }
        if (std::find(clients_.begin(), clients_.end(), p.fd) == clients_.end()) continue;
        char buf[512];
        ssize_t n = ::recv(p.fd, buf, sizeof buf, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n <= 0) {
            clients_.erase(std::remove(clients_.begin(), clients_.end(), p.fd), clients_.end());
            ::close(p.fd);
            continue;
        }
        std::string answer = execute(std::string(buf, static_cast<size_t>(n)));
        ::send(p.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
}

std::optional<std::string> sendControlCommand(const std::string &socketPath, const std::string &line,
                                              std::string *error) {
    auto fail = [&](const std::string &why) -> std::optional<std::string> {
        if (error) *error = why;
        return std::nullopt;
    };
    sockaddr_un addr;
    if (!unixAddress(socketPath, addr)) return fail("path too long: " + socketPath);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(std::strerror(errno));
    // A keyboard that stopped answering must not hang a test script for ever.
    timeval limit{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return fail("no virtual keyboard listens on " + socketPath);
    }
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) < 0) {
        ::close(fd);
        return fail(std::strerror(errno));
    }
    char answer[512];
    ssize_t n = ::recv(fd, answer, sizeof answer, 0);
    ::close(fd);
    if (n <= 0) return fail("no answer");
    return std::string(answer, static_cast<size_t>(n));
}

}  // namespace t44::sim
