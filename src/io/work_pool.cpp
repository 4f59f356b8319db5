// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/work_pool.h"

#include "io/start_thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <exception>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tarnvold {

struct WorkPool::Job {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* task = nullptr;
    std::atomic<std::size_t> next{0};
    // Tasks below this one may be claimed.
    std::atomic<std::size_t> limit{0};
    std::size_t finished = 0;  // under the pool's mutex
    // With blocks: the tasks finished in each, under the pool's mutex.
    std::size_t per_block = 0;
    std::size_t* finished_in_block = nullptr;

    // Claims and runs one task; false when none could be claimed.
    bool run_one(WorkPool& pool) {
        std::size_t i = next.load(std::memory_order_relaxed);
        do {
            if (i >= limit.load(std::memory_order_acquire)) return false;
        } while (!next.compare_exchange_weak(i, i + 1, std::memory_order_relaxed));
        (*task)(i);
        {
            std::lock_guard<std::mutex> lock(pool.mutex_);
            ++finished;
            if (finished_in_block != nullptr) ++finished_in_block[i / per_block];
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
    for (unsigned i = 0; i < workers; ++i) threads_.push_back(start_thread([this] { worker_main(); }));
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

// Offers the job to the workers unless the pool is busy (entered again from
// a task) or has none; true when it did.
bool WorkPool::share(Job& job) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (busy_ || threads_.empty() || job.count < 2) return false;
    busy_ = true;
    job_ = &job;
    ++generation_;
    return true;
}

// Takes a shared job back once the calling thread is done with it: no task
// is claimed any more, and every worker has left it before it goes away.
void WorkPool::leave(Job& job, bool shared) {
    job.limit.store(0, std::memory_order_release);
    if (!shared) return;
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = nullptr;
    settled_.wait(lock, [&] { return active_ == 0; });
    busy_ = false;
}

void WorkPool::run(std::size_t count, const std::function<void(std::size_t)>& task) {
    if (count == 0) return;
    Job job;
    job.count = count;
    job.task = &task;
    job.limit.store(count, std::memory_order_relaxed);
    const bool shared = share(job);
    if (shared) wake_.notify_all();
    // Work alongside the workers.
    while (job.run_one(*this)) {
    }
    if (shared) {
        std::unique_lock<std::mutex> lock(mutex_);
        settled_.wait(lock, [&] { return job.finished == count; });
    }
    leave(job, shared);
}

void WorkPool::run_blocks(std::size_t count, std::size_t per_block, const BlockStep& open,
                          const std::function<void(std::size_t)>& task, const BlockStep& close) {
    const std::size_t blocks = count == 0 ? 1 : (count + per_block - 1) / per_block;
    std::vector<std::size_t> finished(blocks, 0);
    auto size_of = [&](std::size_t b) { return std::min(per_block, count - b * per_block); };
    Job job;
    job.count = count;
    job.task = &task;
    job.per_block = per_block;
    job.finished_in_block = finished.data();
    const bool shared = share(job);
    struct Leave {
        WorkPool& pool;
        Job& job;
        bool shared;
        ~Leave() { pool.leave(job, shared); }
    } leave_on_exit{*this, job, shared};

    std::size_t opened = 0;
    std::exception_ptr held;  // from opening block `opened`
    auto open_until = [&](std::size_t end) {
        const std::size_t before = opened;
        for (; opened < std::min(end, blocks) && !held; ++opened) {
            try {
                open(opened);
            } catch (...) {
                held = std::current_exception();
                break;
            }
        }
        if (opened != before) release(job, std::min(opened * per_block, count), shared);
    };
    for (std::size_t b = 0; b < blocks; ++b) {
        open_until(b + 2);
        if (opened <= b) std::rethrow_exception(held);
        work_until(job, [&] { return finished[b] == size_of(b); });
        close(b);
    }
}

// Lets the tasks below `limit` be claimed, and wakes the workers of a
// shared job to take them.
void WorkPool::release(Job& job, std::size_t limit, bool shared) {
    job.limit.store(limit, std::memory_order_release);
    if (!shared) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
    }
    wake_.notify_all();
}

// Works alongside the workers until `done` holds (asked under the mutex):
// the calling thread takes tasks while there are any, then waits.
void WorkPool::work_until(Job& job, const std::function<bool()>& done) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (done()) return;
        }
        if (!job.run_one(*this)) {
            std::unique_lock<std::mutex> lock(mutex_);
            settled_.wait(lock, done);
            return;
        }
    }
}

SideTask* WorkPool::side() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (threads_.empty()) return nullptr;
    if (!side_) side_ = std::make_unique<SideTask>();
    return side_.get();
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
