// SPDX-License-Identifier: GPL-3.0-or-later
// Tells a loop that runs hundreds of thousands of times a second when a frame
// interval has passed, for the price of reading one flag: a helper thread
// times the interval and raises the flag.  Asking the clock instead would
// cost the loop more than the rest of its work.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarnvold::ui {

class FrameTicker {
public:
    explicit FrameTicker(std::chrono::milliseconds interval) : interval_(interval) {}
    ~FrameTicker();
    FrameTicker(const FrameTicker&) = delete;
    FrameTicker& operator=(const FrameTicker&) = delete;

    // True once the interval started by the last restart() has passed, or
    // after make_due().
    bool due() const { return due_.load(std::memory_order_relaxed); }
    // Lowers the flag and starts a new interval from now.
    void restart();
    // Raises the flag now; an interval still running raises it again at its end.
    void make_due();

private:
    void run();

    const std::chrono::milliseconds interval_;
    std::atomic<bool> due_{true};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool started_ = false;  // an interval to time has been asked for
    bool stop_ = false;
    std::thread thread_;  // started with the first interval
};

}  // namespace tarnvold::ui
