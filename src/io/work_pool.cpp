#include "io/work_pool.h"

#include <atomic>
#include <memory>

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
