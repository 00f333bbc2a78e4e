#include "device/EventListener.h"

#include <algorithm>
#include <vector>

#include "shell/EventLog.h"

namespace t44::device {

std::atomic<bool> indicatorBusy{false};

uint16_t eventCodeOf(DeviceLink &link, size_t length) {
    auto &items = link.inputItems();
    if (items.empty()) return 0;
    // parseInputReport leaves items of other reports as they were; clearing isSet first
    // tells a fresh value from the previous report's.
    for (HidItem &item : items) item.isSet = false;
    if (!link.parseInputReport(length)) return 0;
    const HidItem &first = items.front();
    if (!first.isSet || !first.isButton || first.usages.empty()) return 0;
    return first.usages.front();
}

EventListener::EventListener(shell::MainWindowMessages &window, std::chrono::milliseconds searching,
                             std::optional<HidRoots> roots)
    : window_(window), searching_(searching), roots_(std::move(roots)) {}

EventListener::~EventListener() { stop(); }

void EventListener::start() {
    worker_.start([this] { run(); });
}

void EventListener::requestStop() {
    worker_.requestStop();
    // The flag is set first: a thread that opens the link after this close sees it
    // before it starts reading.
    std::lock_guard lock(linkMutex_);
    if (eventLink_) eventLink_->close();
}

void EventListener::stop() {
    requestStop();
    worker_.join();
    reapIconThreads(true);
}

void EventListener::run() {
    {
        std::lock_guard lock(linkMutex_);
        if (!eventLink_)
            eventLink_ = roots_ ? std::make_unique<DeviceLink>(*roots_) : std::make_unique<DeviceLink>();
    }
    DeviceLink &link = *eventLink_;
    std::vector<uint8_t> report;
    while (!stop_.requested()) {
        bool enumerationFailed = false;
        if (findKeyboardInterface(link, KeyboardInterface::Event, &enumerationFailed)) {
            shell::logEvent("events: event interface open");
            const size_t length = link.caps().InputReportByteLength;
            report.assign(length, 0);
            size_t got = 0;
            // No time-out: a read ends with a report, with the keyboard going away, or
            // with requestStop closing the link.
            while (!stop_.requested() && length > 0 && link.read(report.data(), length, &got, -1)) {
                uint16_t code;
                {
                    // requestStop closes the link under the same lock, and closing
                    // clears the parsed items: parse only while it cannot happen.
                    std::lock_guard lock(linkMutex_);
                    if (stop_.requested()) break;
                    auto &input = link.inputReport();
                    const size_t n = std::min(got, input.size());
                    std::copy(report.begin(), report.begin() + static_cast<long>(n), input.begin());
                    code = eventCodeOf(link, n);
                }
                act(code);
            }
            link.close();
            shell::logEvent("events: event interface closed");
        } else if (enumerationFailed) {
            // Not the end of listening: the next period tries again.
            shell::logEvent("events: enumeration failed, trying again");
        }
        if (!stop_.sleepFor(searching_)) break;
    }
}

void EventListener::act(uint16_t code) {
    switch (code) {
    case kEventLightingChanged:
        window_.startLightReloadTimer();
        break;
    case kEventPlayOn:
        changeIcon(1, 0);
        break;
    case kEventPlayOff:
        changeIcon(0, 0);  // the remembered icon: the connection icon
        break;
    default:
        break;  // 0x1801..0x1804 and every other code: no effect
    }
}

void EventListener::changeIcon(int kind, int id) {
    reapIconThreads(false);
    const uint64_t ticket = nextTicket_++;
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([this, ticket, kind, id, done] {
        {
            std::unique_lock lock(turnMutex_);
            turnChanged_.wait(lock, [&] { return serving_ == ticket; });
        }
        while (indicatorBusy.exchange(true)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        window_.setTrayIcon(kind, id);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        indicatorBusy = false;
        {
            std::lock_guard lock(turnMutex_);
            ++serving_;
        }
        turnChanged_.notify_all();
        *done = true;
    });
    iconThreads_.push_back({std::move(t), std::move(done)});
}

void EventListener::reapIconThreads(bool all) {
    for (auto it = iconThreads_.begin(); it != iconThreads_.end();) {
        if (all || *it->done) {
            it->thread.join();
            it = iconThreads_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace t44::device
