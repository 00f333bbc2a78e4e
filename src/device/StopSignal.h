#pragma once
// A stop request for a worker thread that spends its life waiting between passes: the
// waits end early when the request comes, so the thread can be joined at once.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace t44::device {

class StopSignal {
public:
    void request() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
    }
    void reset() {
        std::lock_guard lock(mutex_);
        stop_ = false;
    }
    bool requested() const { return stop_; }

    // Waits `period`; false when the stop request came first.
    bool sleepFor(std::chrono::milliseconds period) {
        std::unique_lock lock(mutex_);
        return !wake_.wait_for(lock, period, [this] { return stop_.load(); });
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stop_{false};
};

}  // namespace t44::device
