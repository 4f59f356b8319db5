// SPDX-License-Identifier: GPL-3.0-or-later
// A few worker threads that share the computing of a block with the thread
// that codes the file.  Only the tasks run on the workers; whatever the
// calling thread does between tasks (progress, the user interface, the file
// operations) stays on the calling thread.
#pragma once

#include "io/side_task.h"

#include <atomic>
#include <chrono>
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
    // Gives the shared pool `workers` workers from now on, whatever the
    // processor has (tests of the paths that share work).  Not while the
    // pool is in use.
    static void resize_shared(unsigned workers);
    // Back to one worker fewer than the processor has cores.
    static void reset_shared();

    explicit WorkPool(unsigned workers);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    unsigned workers() const { return static_cast<unsigned>(threads_.size()); }

    // Runs task(i) for every i in [0, count) on the workers and the calling
    // thread, and returns when all have finished.  Tasks must not throw.
    // When the pool is already busy (started again from a task) or has no
    // workers, the calling thread runs them all.
    void run(std::size_t count, const std::function<void(std::size_t)>& task);

    // Tasks in blocks of `per_block` in order (the last block may be shorter;
    // without tasks there is still one, empty, block), run like run() on the
    // workers and the calling thread.  Between its own tasks the calling
    // thread calls, block by block: open(b) before any task of block b may
    // start, and close(b) once all of them have finished.  The next block is
    // opened before a block is closed, so that the workers go on with it
    // while the calling thread waits for or closes the one before; whatever
    // open(b) throws still comes out only after close(b - 1), where a plain
    // loop over the blocks would have met it.  An exception from open or
    // close ends the run: tasks not yet begun are left out, those running
    // are waited for.  Tasks must not throw.
    using BlockStep = std::function<void(std::size_t)>;
    void run_blocks(std::size_t count, std::size_t per_block, const BlockStep& open,
                    const std::function<void(std::size_t)>& task, const BlockStep& close);

    // Pieces of one piece of work, each of which may fail on its own:
    // task(i) returns 0 or an error number.  Returns the first failing
    // piece's error, which is what one pass over the pieces in order would
    // have met, or 0.
    int run_pieces(std::size_t count, const std::function<int(std::size_t)>& task);

    // A thread for one task at a time beside the calling thread, or null
    // when the pool has no workers (one core).  Started on first use.
    SideTask* side();
    // Bytes of work (about a nanosecond each) below which handing them to
    // the side thread costs more than it saves: waking a thread is a futex
    // here, kernel objects on Windows (and a round trip to a server under
    // emulations).
#ifdef _WIN32
    static constexpr std::size_t kWorthHandingOver = 64 * 1024;
#else
    static constexpr std::size_t kWorthHandingOver = 512;
#endif

private:
    struct Job;
    void worker_main();
    bool share(Job& job);
    void leave(Job& job, bool shared);
    void release(Job& job, std::size_t limit, bool shared);
    void work_until(Job& job, const std::function<bool()>& done);

    std::mutex mutex_;
    std::condition_variable wake_;     // workers wait here for a job
    std::condition_variable settled_;  // callers wait here for tasks to end
    std::vector<std::thread> threads_;
    Job* job_ = nullptr;
    unsigned long generation_ = 0;
    unsigned active_ = 0;  // workers inside the current job
    bool busy_ = false;
    bool stop_ = false;
    std::unique_ptr<SideTask> side_;
};

// The first non-zero error number of pieces in order, or 0.
int first_error(const std::vector<int>& errors);

}  // namespace tarnvold
