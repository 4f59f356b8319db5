// A few worker threads that share the computing of a block with the thread
// that codes the file.  Only the tasks run on the workers; whatever the
// calling thread does between tasks (progress, the user interface) stays on
// the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
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

    // Runs task(i) for every i in [0, count), on the workers and on the
    // calling thread, and returns when all have finished.  Tasks must not
    // throw.  On the calling thread only, `finished(k)` is called each time
    // the number k of leading tasks that are all done grows, in increasing
    // order, ending with k = count.  When the pool is already busy (run was
    // entered again from `finished`), everything runs on the calling thread.
    void run(std::size_t count, const std::function<void(std::size_t)>& task,
             const std::function<void(std::size_t)>& finished);

private:
    struct Job;
    void worker_main();
    static void run_here(std::size_t count, const std::function<void(std::size_t)>& task,
                         const std::function<void(std::size_t)>& finished);

    std::mutex mutex_;
    std::condition_variable wake_;     // workers wait here for a job
    std::condition_variable settled_;  // the caller waits here for tasks to end
    std::vector<std::thread> threads_;
    Job* job_ = nullptr;
    unsigned long generation_ = 0;
    unsigned active_ = 0;  // workers inside the current job
    bool busy_ = false;
    bool stop_ = false;
};

}  // namespace tarnvold
