// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frame_ticker.h"

namespace tarnvold::ui {

FrameTicker::~FrameTicker() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

// The flag changes only under the lock, so that an interval that ends just
// as a new one starts cannot raise it for the new one.
void FrameTicker::restart() {
    {
        const std::lock_guard lock(mutex_);
        due_.store(false, std::memory_order_relaxed);
        started_ = true;
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void FrameTicker::make_due() {
    const std::lock_guard lock(mutex_);
    due_.store(true, std::memory_order_relaxed);
}

void FrameTicker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || started_; });
        if (stop_) return;
        started_ = false;
        // A restart before the end begins the interval again.
        const auto end = std::chrono::steady_clock::now() + interval_;
        if (wake_.wait_until(lock, end, [this] { return stop_ || started_; })) continue;
        due_.store(true, std::memory_order_relaxed);
    }
}

}  // namespace tarnvold::ui
