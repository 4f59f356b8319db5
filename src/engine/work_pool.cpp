#include "work_pool.h"

#include <atomic>
#include <exception>
#include <memory>

namespace tarnvold {

struct WorkPool::Job {
    std::size_t count = 0;
    const std::function<void(std::size_t)>* task = nullptr;
    std::atomic<std::size_t> next{0};
    std::unique_ptr<std::atomic<bool>[]> done;

    // Claims and runs tasks until none is left; returns after each task so
    // that the caller can report.  False when there was nothing to claim.
    bool run_one(std::mutex& mutex, std::condition_variable& settled) {
        const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
        if (i >= count) return false;
        (*task)(i);
        {
            std::lock_guard<std::mutex> lock(mutex);
            done[i].store(true, std::memory_order_release);
        }
        settled.notify_all();
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
        Job* job = job_;
        ++active_;
        lock.unlock();
        while (job->run_one(mutex_, settled_)) {
        }
        lock.lock();
        --active_;
        settled_.notify_all();
    }
}

void WorkPool::run_here(std::size_t count, const std::function<void(std::size_t)>& task,
                        const std::function<void(std::size_t)>& finished) {
    for (std::size_t i = 0; i < count; ++i) {
        task(i);
        finished(i + 1);
    }
}

void WorkPool::run(std::size_t count, const std::function<void(std::size_t)>& task,
                   const std::function<void(std::size_t)>& finished) {
    if (count == 0) return;
    bool owner = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!busy_ && !threads_.empty() && count > 1) {
            busy_ = true;
            owner = true;
        }
    }
    if (!owner) {
        // Entered again from a report, or nothing to share.
        run_here(count, task, finished);
        return;
    }

    Job job;
    job.count = count;
    job.task = &task;
    job.done = std::make_unique<std::atomic<bool>[]>(count);
    for (std::size_t i = 0; i < count; ++i) job.done[i].store(false, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        ++generation_;
    }
    wake_.notify_all();

    std::size_t prefix = 0;
    auto advance = [&] {
        const std::size_t before = prefix;
        while (prefix < count && job.done[prefix].load(std::memory_order_acquire)) ++prefix;
        return prefix != before;
    };
    std::exception_ptr failure;
    try {
        // Work alongside the workers, reporting between tasks.
        while (job.run_one(mutex_, settled_)) {
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
        // A report failed: stop handing out tasks and let the running ones end.
        failure = std::current_exception();
        job.next.store(count, std::memory_order_relaxed);
    }
    // Let every worker leave the job before it goes out of scope.
    std::unique_lock<std::mutex> lock(mutex_);
    job_ = nullptr;
    settled_.wait(lock, [&] { return active_ == 0; });
    busy_ = false;
    lock.unlock();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace tarnvold
