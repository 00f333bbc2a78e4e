#pragma once
// Replies held back by the "delay MS" control command, in the order they fall due.
// Both transports of the virtual keyboard keep one and send what is due on each turn
// of their event loop.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>

#include "device/Protocol.h"

namespace t44::sim {

class DelayedReplies {
public:
    using Clock = std::chrono::steady_clock;
    struct Reply {
        int fd;  // where it goes (the client socket; unused by a single-device transport)
        device::ReportFrame frame;
    };

    void add(int delayMs, Reply reply) {
        Item item{Clock::now() + std::chrono::milliseconds(delayMs), reply};
        auto at = std::upper_bound(items_.begin(), items_.end(), item.due,
                                   [](Clock::time_point due, const Item &q) { return due < q.due; });
        items_.insert(at, item);
    }

    // Calls send(reply) for every reply that is due, earliest first.
    template <class Send>
    void sendDue(Send send) {
        const auto now = Clock::now();
        while (!items_.empty() && items_.front().due <= now) {
            Reply r = items_.front().reply;
            items_.pop_front();
            send(r);
        }
    }

    // The poll time-out until the next reply falls due; -1 when none waits.
    int pollTimeoutMs() const {
        if (items_.empty()) return -1;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(items_.front().due - Clock::now());
        return static_cast<int>(std::max<int64_t>(0, left.count() + 1));
    }

    void clear() { items_.clear(); }
    void dropFor(int fd) {
        items_.erase(std::remove_if(items_.begin(), items_.end(), [fd](const Item &i) { return i.reply.fd == fd; }),
                     items_.end());
    }

private:
    struct Item {
        Clock::time_point due;
        Reply reply;
    };
    std::deque<Item> items_;
};

}  // namespace t44::sim
