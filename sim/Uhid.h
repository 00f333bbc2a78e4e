#pragma once
// The virtual keyboard as real HID devices of the running kernel, created from user space
// through /dev/uhid. Each of the keyboard's two interfaces becomes a HID device of its
// own (bus USB, vendor 0x0C45, product 0x5004) that the kernel's generic HID driver
// binds and shows as a hidraw node, with the kernel's own sysfs entry and report
// descriptor:
//   the command interface   commandReportDescriptor(): output reports written to its
//                           hidraw node arrive here as UHID_OUTPUT and are answered with
//                           an input report (UHID_INPUT2)
//   the event interface     eventReportDescriptor(): `event CODE` sends one input report
// With a control directory, DIR/ctl.sock takes the same control commands as the socket
// transport; `unplug` destroys both devices and `plug` creates them again.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "Control.h"
#include "DelayedReplies.h"
#include "Keyboard.h"

namespace t44::sim {

class UhidServer : private ControlTarget {
public:
    // `openDevice` opens one uhid character device (a fresh one per HID device and per
    // plug); by default /dev/uhid, read-write and non-blocking.
    using DeviceOpener = std::function<int()>;
    UhidServer(Keyboard &keyboard, std::string controlDir, DeviceOpener openDevice = {});
    ~UhidServer();
    UhidServer(const UhidServer &) = delete;
    UhidServer &operator=(const UhidServer &) = delete;

    // Opens the control socket (when a control directory was given) and plugs the
    // keyboard in.
    bool start(std::string *error = nullptr);
    // Runs the event loop until requestStop() or a "quit" control command.
    void run();
    // Asks the loop to end; safe in a signal handler and from other threads.
    void requestStop();

    bool plugged() const { return plugged_; }

private:
    std::string execute(const std::string &line);
    bool plug() override;
    void unplug() override;
    void sendEvent(uint16_t code) override;
    void setReplyDelay(int ms) override { delayMs_ = ms; }
    void quit() override { stopping_ = true; }

    bool plugIn(std::string *error);
    bool create(int which, std::string *error);
    void destroy(int which);
    // Reads and handles every event waiting on device `which`; false when the device
    // failed (it is then closed).
    bool serviceDevice(int which);
    bool sendInput(int which, const uint8_t *report, size_t length);
    void wake();

    Keyboard &keyboard_;
    std::mutex keyboardMutex_;
    std::string controlDir_;
    DeviceOpener openDevice_;
    ControlSocket control_;
    int fds_[2] = {-1, -1};
    std::atomic<bool> plugged_{false};
    int delayMs_ = 0;
    DelayedReplies pending_;
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
};

}  // namespace t44::sim
