#include "io/work_pool.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <pthread.h>
#include <sched.h>

namespace tarnvold {

struct WorkPool::Job {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* task = nullptr;
    std::atomic<std::size_t> next{0};
    std::size_t finished = 0;  // under the pool's mutex

    // Claims and runs one task; false when none was left to claim.
    bool run_one(WorkPool& pool) {
        const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count) return false;
        (*task)(i);
        {
            std::lock_guard<std::mutex> lock(pool.mutex_);
            ++finished;
        }
        pool.settled_.notify_all();
        return true;
    }
};

namespace {

unsigned default_workers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 0u;
}

std::unique_ptr<WorkPool>& shared_pool() {
    static std::unique_ptr<WorkPool> pool;
    return pool;
}

}  // namespace

WorkPool& WorkPool::shared() {
    static std::once_flag started;
    std::call_once(started, [] {
        if (!shared_pool()) shared_pool() = std::make_unique<WorkPool>(default_workers());
    });
    return *shared_pool();
}

void WorkPool::resize_shared(unsigned workers) {
    shared();
    shared_pool() = std::make_unique<WorkPool>(workers);
}

void WorkPool::reset_shared() { resize_shared(default_workers()); }

WorkPool::WorkPool(unsigned workers) {
    threads_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { worker_main(); });
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

void WorkPool::worker_main() {
    unsigned long seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || (job_ != nullptr && generation_ != seen); });
        if (stop_) return;
        seen = generation_;
        Job* job = job_;
        ++active_;
        lock.unlock();
        while (job->run_one(*this)) {
        }
        lock.lock();
        --active_;
        settled_.notify_all();
    }
}

void WorkPool::run(std::size_t count, const std::function<void(std::size_t)>& task) {
    if (count == 0) return;
    Job job;
    job.count = count;
    job.task = &task;
    bool shared = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!busy_ && !threads_.empty() && count > 1) {
            busy_ = shared = true;
            job_ = &job;
            ++generation_;
        }
    }
    if (shared) wake_.notify_all();
    // Work alongside the workers.
    while (job.run_one(*this)) {
    }
    if (!shared) return;
    // Wait for the tasks still running elsewhere, and for every worker to
    // leave the job before it goes away.
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = nullptr;
    settled_.wait(lock, [&] { return job.finished == count && active_ == 0; });
    busy_ = false;
}

SideTask* WorkPool::side() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (threads_.empty()) return nullptr;
    if (!side_) side_ = std::make_unique<SideTask>();
    return side_.get();
}

namespace {

void cpu_relax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// How long the side thread looks for a next task before it sleeps.
constexpr auto kSideSpin = std::chrono::microseconds(300);

}  // namespace

SideTask::SideTask() : thread_([this] { main(); }) {}

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

bool SideTask::try_start(std::shared_ptr<Task> task) {
    int expected = kIdle;
    if (!state_.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) return false;
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
    using Clock = std::chrono::steady_clock;
    for (;;) {
        unsigned seen = posted_.load(std::memory_order_acquire);
        int s = state_.load(std::memory_order_acquire);
        auto until = Clock::now() + kSideSpin;
        for (unsigned n = 0; s != kPosted && s != kStop; s = state_.load(std::memory_order_acquire)) {
            if ((++n & 63) != 0 || Clock::now() < until) {
                cpu_relax();
                continue;
            }
            posted_.wait(seen, std::memory_order_acquire);
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

int WorkPool::run_pieces(std::size_t count, const std::function<int(std::size_t)>& task) {
    std::vector<int> errors(count, 0);
    run(count, [&](std::size_t i) { errors[i] = task(i); });
    return first_error(errors);
}

int first_error(const std::vector<int>& errors) {
    for (const int e : errors)
        if (e != 0) return e;
    return 0;
}

}  // namespace tarnvold
