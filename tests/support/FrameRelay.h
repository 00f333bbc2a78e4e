#pragma once
// A relay between the command link and a running virtual keyboard that counts the
// requests passing through it and runs an action just before a chosen one is passed on,
// so a fault ("unplug", "drop 4", "refuse 0xFF 1" sent to the keyboard) lands on an exact
// frame of a longer exchange.
//
// The relay shows the keyboard's sysfs entries unchanged (a symbolic link) and puts its
// own socket at dev/hidraw0; the event interface is linked straight through. When the
// keyboard drops a connection (unplug) the relay drops its side of it too.

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "support/VirtualKeyboard.h"

namespace t44::test {

class FrameRelay {
public:
    explicit FrameRelay(const std::string &keyboardDir);
    ~FrameRelay();
    FrameRelay(const FrameRelay &) = delete;
    FrameRelay &operator=(const FrameRelay &) = delete;

    const std::string &dir() const { return tmp_.path(); }
    // Connects commandLink to the keyboard through the relay.
    bool connect() const { return connectCommandLink(dir()); }
    // Runs `action` before request `index` (0-based, counted from now; retries count)
    // goes on to the keyboard. Replaces any action set before.
    void before(size_t index, std::function<void()> action);
    size_t requests() const { return requests_; }

private:
    void run();

    TempDir tmp_;
    std::string keyboardDir_;
    int listen_ = -1;
    int wake_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> requests_{0};
    std::mutex mutex_;
    size_t actionAt_ = 0;
    std::function<void()> action_;
    std::thread thread_;
};

}  // namespace t44::test
