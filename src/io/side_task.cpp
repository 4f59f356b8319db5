// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/side_task.h"

#include "io/start_thread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tarnvold {
namespace {

void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// How long the side thread looks for a next task before it sleeps.
constexpr auto kSideSpin = std::chrono::microseconds(300);

}  // namespace

SideTask::SideTask() : thread_(start_thread([this] { main(); })) {}

SideTask::~SideTask() {
    // Let a task that is running end first: it is the thread's to finish.
    for (int s = state_.load(std::memory_order_acquire);; s = state_.load(std::memory_order_acquire)) {
        if ((s == kIdle || s == kDone) && state_.compare_exchange_weak(s, kStop, std::memory_order_acq_rel)) break;
        if (s == kPosted && state_.compare_exchange_weak(s, kStop, std::memory_order_acq_rel)) break;
        std::this_thread::yield();
    }
    posted_.fetch_add(1, std::memory_order_release);
    posted_.notify_one();
    thread_.join();
}

// Lets thread `tid` run anywhere the process may, except on `cpu`.
void SideTask::keep_off(int tid, int cpu) {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    int count = 0;
    for (const int c : cores_)
        if (c != cpu) {
            CPU_SET(c, &set);
            ++count;
        }
    if (count > 0) ::sched_setaffinity(tid, sizeof set, &set);
#else
    (void)tid;
    (void)cpu;
#endif
}

bool SideTask::try_start(std::shared_ptr<Task> task) {
    int expected = kIdle;
    if (!state_.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) return false;
#ifdef __linux__
    const int here = ::sched_getcpu();
    caller_cpu_.store(here, std::memory_order_relaxed);
    // Found sharing this thread's core: it is moved to another one.
    if (const int tid = side_tid_.load(std::memory_order_acquire);
        tid != 0 && here >= 0 && side_cpu_.load(std::memory_order_relaxed) == here) {
        side_cpu_.store(-1, std::memory_order_relaxed);
        keep_off(tid, here);
    }
#endif
    task_ = std::move(task);
    state_.store(kPosted, std::memory_order_release);
    // A system call only when the thread sleeps.  It sleeps on a count of
    // the tasks handed over, which tells it of every one, even one taken
    // back before it woke.
    posted_.fetch_add(1, std::memory_order_release);
    posted_.notify_one();
    return true;
}

bool SideTask::collect(std::chrono::nanoseconds patience) noexcept {
    int s = kPosted;
    if (state_.compare_exchange_strong(s, kIdle, std::memory_order_acq_rel)) {
        task_.reset();  // never begun: the caller's again
        return false;
    }
    if (s == kRunning) {
        const auto until = std::chrono::steady_clock::now() + patience;
        for (unsigned n = 0; (s = state_.load(std::memory_order_acquire)) == kRunning; ++n) {
            if ((n & 63) == 63 && std::chrono::steady_clock::now() >= until) {
                if (state_.compare_exchange_strong(s, kAbandoned, std::memory_order_acq_rel)) return false;
                break;  // it has just ended
            }
            cpu_relax();
        }
    }
    if (s != kDone) return false;  // nothing was handed over
    state_.store(kIdle, std::memory_order_release);
    return true;
}

void SideTask::main() {
#ifdef SCHED_IDLE
    // A spare core, and only that: on a busy machine the thread gives way to
    // everything else, and the tasks fall back to the caller.
    sched_param idle{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &idle);
#endif
#ifdef __linux__
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        for (int c = 0; c < CPU_SETSIZE; ++c)
            if (CPU_ISSET(c, &allowed)) cores_.push_back(c);
    side_tid_.store(static_cast<int>(::gettid()), std::memory_order_release);
    const auto where = [this] { side_cpu_.store(::sched_getcpu(), std::memory_order_relaxed); };
#else
    const auto where = [] {};
#endif
    using Clock = std::chrono::steady_clock;
    for (;;) {
        unsigned seen = posted_.load(std::memory_order_acquire);
        int s = state_.load(std::memory_order_acquire);
        auto until = Clock::now() + kSideSpin;
        for (unsigned n = 0; s != kPosted && s != kStop; s = state_.load(std::memory_order_acquire)) {
            if ((++n & 63) != 0 || Clock::now() < until) {
                if ((n & 1023) == 0) where();
                cpu_relax();
                continue;
            }
#ifdef __linux__
            // Woken, it would be put on the caller's core.
            keep_off(0, caller_cpu_.load(std::memory_order_relaxed));
#endif
            posted_.wait(seen, std::memory_order_acquire);
            where();
            seen = posted_.load(std::memory_order_acquire);
            until = Clock::now() + kSideSpin;
        }
        if (s == kStop) return;
        // Taken back before it began, or the pool is closing: the task
        // stays where it is.
        if (!state_.compare_exchange_strong(s, kRunning, std::memory_order_acq_rel)) continue;
        std::shared_ptr<Task> task = std::move(task_);
        task->run();
        task.reset();
        s = kRunning;
        if (!state_.compare_exchange_strong(s, kDone, std::memory_order_acq_rel))
            state_.store(kIdle, std::memory_order_release);  // abandoned: nobody waits for it
    }
}

}  // namespace tarnvold
