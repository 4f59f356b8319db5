// SPDX-License-Identifier: GPL-3.0-or-later
// The side thread: one task at a time beside the thread that codes the file.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace tarnvold {

// One task at a time on a thread of its own, while the calling thread goes
// on with what it can do meanwhile: try_start() hands a task over, collect()
// takes its result.  Made for tasks of microseconds, one after another, as
// small files come: after each task the thread keeps looking for the next
// one for a fraction of a millisecond before it sleeps, so that handing one
// over costs no system call while they keep coming.  The caller never waits
// long for it: on a busy machine the thread may not get to run, and the
// caller then does the work itself.
class SideTask {
public:
    struct Task {
        virtual ~Task() = default;
        virtual void run() noexcept = 0;
    };

    SideTask();
    ~SideTask();
    SideTask(const SideTask&) = delete;
    SideTask& operator=(const SideTask&) = delete;

    // Hands `task` over; false, leaving it to the caller, while the thread
    // is not free.  The thread keeps its own hold on the task until it has
    // run, whatever the caller does meanwhile.
    bool try_start(std::shared_ptr<Task> task);
    // True when the task handed over last has run.  False when the caller
    // must do its work itself: it had not begun, or it did not end within
    // `patience` (it is then left to end unobserved).
    bool collect(std::chrono::nanoseconds patience) noexcept;

private:
    enum State : int { kIdle, kFilling, kPosted, kRunning, kDone, kAbandoned, kStop };
    void main();
    void keep_off(int tid, int cpu);

    // Where the two threads run.  A thread woken from sleep is put on its
    // waker's core, where it would only wait behind it, and two busy threads
    // may be left sharing one core for long: the thread keeps off the core
    // the caller was last seen on.
    std::atomic<int> caller_cpu_{-1};
    std::atomic<int> side_cpu_{-1};
    std::atomic<int> side_tid_{0};
    std::vector<int> cores_;  // where the process may run; set before side_tid_

    std::atomic<int> state_{kIdle};
    std::atomic<unsigned> posted_{0};  // what the thread sleeps on
    std::shared_ptr<Task> task_;       // the caller's while kIdle or kFilling, the thread's while kPosted
    std::thread thread_;
};

}  // namespace tarnvold
