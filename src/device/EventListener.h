#pragma once
// The event listener: a thread that opens the keyboard's consumer interface read-only,
// waits for the reports the keyboard sends on its own and turns their event codes into
// actions of the main window. It never touches commandLink() and never sends commands.
//
// States: searching (every `searching` period) and reading (blocked in a read until a
// report comes or the keyboard goes).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "device/DeviceLink.h"
#include "device/StopSignal.h"
#include "shell/MainWindowMessages.h"

namespace t44::device {

// Event codes the keyboard sends.
inline constexpr uint16_t kEventLightingChanged = 0x0401;  // reload the lighting (timer 1051)
inline constexpr uint16_t kEventPlayOn = 0x1811;           // show the play symbol
inline constexpr uint16_t kEventPlayOff = 0x1810;          // back to the connection icon

// Set while an icon change made for a keyboard event is under way.
extern std::atomic<bool> indicatorBusy;

// The event code of the `length`-byte report held in link.inputReport(): the first usage
// of the first input item, or 0 when this report does not carry that item (another
// report id) or carries no usage.
uint16_t eventCodeOf(DeviceLink &link, size_t length);

class EventListener {
public:
    // `roots`: where the event interface is searched; the process's default when absent.
    explicit EventListener(shell::MainWindowMessages &window,
                           std::chrono::milliseconds searching = std::chrono::milliseconds(1000),
                           std::optional<HidRoots> roots = std::nullopt);
    ~EventListener();
    EventListener(const EventListener &) = delete;
    EventListener &operator=(const EventListener &) = delete;

    void start();
    // Asks the thread to end: wakes its wait and cuts a blocked read short.
    void requestStop();
    // requestStop, then waits for the thread and every icon change it started. The window
    // must keep handling sent messages meanwhile.
    void stop();
    bool running() const { return worker_.running(); }

private:
    void run();
    void act(uint16_t code);
    void changeIcon(int kind, int id);
    void reapIconThreads(bool all);

    shell::MainWindowMessages &window_;
    std::chrono::milliseconds searching_;
    std::optional<HidRoots> roots_;
    WorkerThread worker_;
    StopSignal &stop_ = worker_.stopSignal();

    std::mutex linkMutex_;
    std::unique_ptr<DeviceLink> eventLink_;  // made by the thread on its first run

    // Icon changes run on short-lived threads so the listener never waits for the
    // window. They take turns in the order the events came, so a quick 0x1811, 0x1810
    // cannot end with the play symbol left on.
    struct IconThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<IconThread> iconThreads_;
    std::mutex turnMutex_;
    std::condition_variable turnChanged_;
    uint64_t nextTicket_ = 0;
    uint64_t serving_ = 0;
};

}  // namespace t44::device
