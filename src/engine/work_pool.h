// A few worker threads that share the computing of a block with the thread
// that codes the file.  Only the tasks run on the workers; whatever the
// calling thread does between tasks (progress, the user interface, the file
// operations) stays on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnvold {

class WorkPool {
public:
    // The pool of the whole program: one worker fewer than the processor has
    // cores, since the calling thread works too.  Started on first use.
    static WorkPool& shared();

    explicit WorkPool(unsigned workers);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    unsigned workers() const { return static_cast<unsigned>(threads_.size()); }

    // Tasks started on the workers, which the calling thread joins later with
    // finish().  Destroying a batch that was not finished stops handing out
    // its tasks and waits for the running ones.
    class Batch {
    public:
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        friend class WorkPool;
        struct Job;
        Batch(WorkPool& pool, std::size_t count, std::function<void(std::size_t)> task, bool shared);
        void settle() noexcept;

        WorkPool& pool_;
        std::unique_ptr<Job> job_;
        bool shared_;  // handed to the workers (otherwise runs in finish)
        bool settled_ = false;
    };

    // Starts task(i) for every i in [0, count) on the workers and returns at
    // once.  Tasks must not throw.  When the pool is already busy (started
    // again from a report) or has no workers, the tasks wait for finish().
    std::unique_ptr<Batch> start(std::size_t count, std::function<void(std::size_t)> task);

    // Takes part in the batch's remaining tasks on the calling thread and
    // returns when all have finished.  On the calling thread only,
    // `finished(k)` is called each time the number k of leading tasks that
    // are all done grows, in increasing order, ending with k = count.
    void finish(Batch& batch, const std::function<void(std::size_t)>& finished);

    // start() and finish() in one.
    void run(std::size_t count, const std::function<void(std::size_t)>& task,
             const std::function<void(std::size_t)>& finished);

private:
    void worker_main();

    std::mutex mutex_;
    std::condition_variable wake_;     // workers wait here for a job
    std::condition_variable settled_;  // callers wait here for tasks to end
    std::vector<std::thread> threads_;
    Batch::Job* job_ = nullptr;
    unsigned long generation_ = 0;
    unsigned active_ = 0;  // workers inside the current job
    bool busy_ = false;
    bool stop_ = false;
};

}  // namespace tarnvold
