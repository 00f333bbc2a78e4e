#pragma once
// A stop request for a worker thread that spends its life waiting between passes: the
// waits end early when the request comes, so the thread can be joined at once. And the
// worker thread itself, started once and stoppable, as the presence monitor and the
// event listener use it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

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

// A thread that runs one body until asked to stop. start() is ignored while one runs.
class WorkerThread {
public:
    ~WorkerThread() { join(); }

    template <class Body>
    void start(Body body) {
        if (thread_.joinable()) return;
        stop_.reset();
        finished_ = false;
        thread_ = std::thread([this, body = std::move(body)]() mutable {
            body();
            finished_ = true;
        });
    }
    void requestStop() { stop_.request(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    bool running() const { return thread_.joinable() && !finished_; }
    StopSignal &stopSignal() { return stop_; }

private:
    StopSignal stop_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace t44::device
