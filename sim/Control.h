#pragma once
// The virtual keyboard's control commands, shared by its transports (Unix sockets, uhid):
// what each command does to the keyboard and to the transport that carries it, and the
// control socket DIR/ctl.sock that tests and people send them to.

#include <poll.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Keyboard.h"

namespace t44::sim {

// What a control command needs from the transport that carries the keyboard.
class ControlTarget {
public:
    virtual ~ControlTarget() = default;
    virtual bool plug() = 0;
    virtual void unplug() = 0;
    virtual void sendEvent(uint16_t code) = 0;
    virtual void setReplyDelay(int ms) = 0;
    virtual void quit() = 0;
};

// Runs one control command, answered "ok" or "error: <reason>". The keyboard is touched
// only under keyboardMutex. Commands: unplug, plug, drop N, refuse STATUS N, delay MS,
// event CODE, dump FILE, poke AREA OFFSET HEX, quit.
std::string runControlCommand(const std::string &line, Keyboard &keyboard,
                              std::mutex &keyboardMutex, ControlTarget &target);

// A listening SOCK_SEQPACKET Unix socket at `path` (a stale one there is replaced), or -1.
int listenSeqpacket(const std::string &path);

// The control socket: one command per packet in, one answer per packet out.
class ControlSocket {
public:
    ControlSocket() = default;
    ~ControlSocket();
    ControlSocket(const ControlSocket &) = delete;
    ControlSocket &operator=(const ControlSocket &) = delete;

    bool listen(const std::string &path);
    bool listening() const { return listen_ >= 0; }
    // Adds the listening socket and every connected client to a poll set.
    void addTo(std::vector<pollfd> &fds) const;
    // Accepts new clients and answers each command that arrived, using `execute`; fds
    // that are not the control socket's are left alone.
    void service(const std::vector<pollfd> &fds,
                 const std::function<std::string(const std::string &)> &execute);

private:
    std::string path_;
    int listen_ = -1;
    std::vector<int> clients_;
};

// Sends one command to the control socket at `socketPath` and returns the answer; none
// when nothing listens there or no answer came (then *error says why).
std::optional<std::string> sendControlCommand(const std::string &socketPath,
                                              const std::string &line,
                                              std::string *error = nullptr);

}  // namespace t44::sim
