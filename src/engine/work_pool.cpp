#include "work_pool.h"

#include <atomic>
#include <exception>

namespace tarnvold {

struct WorkPool::Batch::Job {
    std::size_t count = 0;
    std::function<void(std::size_t)> task;
    std::atomic<std::size_t> next{0};
    std::unique_ptr<std::atomic<bool>[]> done;

    // Claims and runs one task; false when none was left to claim.
    bool run_one(WorkPool& pool) {
        const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count) return false;
        task(i);
        {
            std::lock_guard<std::mutex> lock(pool.mutex_);
            done[i].store(true, std::memory_order_release);
        }
        pool.settled_.notify_all();
        return true;
    }
};

WorkPool& WorkPool::shared() {
    static WorkPool pool([] {
        const unsigned cores = std::thread::hardware_concurrency();
        return cores > 1 ? cores - 1 : 0u;
    }());
    return pool;
}

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
        Batch::Job* job = job_;
        ++active_;
        lock.unlock();
        while (job->run_one(*this)) {
        }
        lock.lock();
        --active_;
        settled_.notify_all();
    }
}

WorkPool::Batch::Batch(WorkPool& pool, std::size_t count, std::function<void(std::size_t)> task, bool shared)
    : pool_(pool), job_(std::make_unique<Job>()), shared_(shared) {
    job_->count = count;
    job_->task = std::move(task);
    job_->done = std::make_unique<std::atomic<bool>[]>(count);
    for (std::size_t i = 0; i < count; ++i) job_->done[i].store(false, std::memory_order_relaxed);
}

WorkPool::Batch::~Batch() { settle(); }

void WorkPool::Batch::settle() noexcept {
    if (settled_) return;
    settled_ = true;
    job_->next.store(job_->count, std::memory_order_relaxed);  // hand out nothing more
    if (!shared_) return;
    // Let every worker leave the job before it goes away.
    std::unique_lock<std::mutex> lock(pool_.mutex_);
    pool_.job_ = nullptr;
    pool_.settled_.wait(lock, [&] { return pool_.active_ == 0; });
    pool_.busy_ = false;
}

std::unique_ptr<WorkPool::Batch> WorkPool::start(std::size_t count, std::function<void(std::size_t)> task) {
    bool shared = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!busy_ && !threads_.empty() && count > 1) {
            busy_ = true;
            shared = true;
        }
    }
    std::unique_ptr<Batch> batch(new Batch(*this, count, std::move(task), shared));
    if (shared) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = batch->job_.get();
            ++generation_;
        }
        wake_.notify_all();
    }
    return batch;
}

void WorkPool::finish(Batch& batch, const std::function<void(std::size_t)>& finished) {
    Batch::Job& job = *batch.job_;
    const std::size_t count = job.count;
    std::size_t prefix = 0;
    auto advance = [&] {
        const std::size_t before = prefix;
        while (prefix < count && job.done[prefix].load(std::memory_order_acquire)) ++prefix;
        return prefix != before;
    };
    try {
        // Work alongside the workers, reporting between tasks.
        while (job.run_one(*this)) {
            if (advance()) finished(prefix);
        }
        // Wait for the tasks still running elsewhere.
        while (prefix < count) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                settled_.wait(lock, [&] { return job.done[prefix].load(std::memory_order_acquire); });
            }
            if (advance()) finished(prefix);
        }
    } catch (...) {
        // A report failed: let the running tasks end first.
        batch.settle();
        throw;
    }
    batch.settle();
}

void WorkPool::run(std::size_t count, const std::function<void(std::size_t)>& task,
                   const std::function<void(std::size_t)>& finished) {
    if (count == 0) return;
    auto batch = start(count, task);
    finish(*batch, finished);
}

}  // namespace tarnvold
