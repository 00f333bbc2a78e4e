#pragma once
// The virtual keyboard's socket transport. Under its directory it lays out what the
// kernel would show for the keyboard's two HID interfaces:
//   DIR/sys/class/hidraw/hidraw0/device/{uevent,report_descriptor}   command interface
//   DIR/sys/class/hidraw/hidraw1/device/{uevent,report_descriptor}   event interface
//   DIR/dev/hidraw0, DIR/dev/hidraw1   SOCK_SEQPACKET sockets, one report per packet
//   DIR/ctl.sock                       control commands (see control())
// Unplugging removes the interfaces and drops every connection; plugging restores them.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Control.h"
#include "DelayedReplies.h"
#include "Keyboard.h"

namespace t44::sim {

class Server : private ControlTarget {
public:
    Server(Keyboard &keyboard, std::string dir);
    ~Server();

    // Creates the directory layout and the control socket and plugs the keyboard in.
    bool start(std::string *error = nullptr);
    // Runs the event loop until stop() (or a "quit" control command).
    void run();
    void stop();
    // Asks the loop to end; safe in a signal handler.
    void requestStop();

    // Starts run() on a thread of its own (for in-process tests); stop() joins it.
    bool startThread(std::string *error = nullptr);

    // One control command, answered "ok", "ok <text>" or "error: <reason>". Safe from
    // any thread. Commands: unplug, plug, drop N, refuse STATUS N, delay MS,
    // event CODE, dump FILE, poke AREA OFFSET HEX, quit.
    std::string control(const std::string &line);

    // Runs f on the keyboard while the event loop is kept away from it.
    template <class F>
    auto withKeyboard(F f) {
        std::lock_guard lock(keyboardMutex_);
        return f(keyboard_);
    }

    const std::string &dir() const { return dir_; }
    bool plugged() const { return plugged_; }

private:
    struct Request {
        std::string line;
        std::promise<std::string> answer;
    };

    std::string execute(const std::string &line);
    bool plug() override;
    void unplug() override;
    void sendEvent(uint16_t code) override;
    void setReplyDelay(int ms) override { delayMs_ = ms; }
    void quit() override { stopping_ = true; }
    void closeClient(int fd);
    void wake();

    Keyboard &keyboard_;
    std::mutex keyboardMutex_;
    std::string dir_;
    ControlSocket control_;
    int listen_[2] = {-1, -1};
    std::vector<int> clients_[2];
    DelayedReplies pending_;
    int delayMs_ = 0;
    bool plugged_ = false;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::mutex requestsMutex_;
    std::deque<Request> requests_;
    std::thread thread_;
};

}  // namespace t44::sim
