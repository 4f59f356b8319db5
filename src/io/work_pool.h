// SPDX-License-Identifier: GPL-3.0-or-later
// A few worker threads that share the computing of a block with the thread
// that codes the file.  Only the tasks run on the workers; whatever the
// calling thread does between tasks (progress, the user interface, the file
// operations) stays on the calling thread.
#pragma once

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

class SideTask;

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

private:
    struct Job;
    void worker_main();
    bool share(Job& job);
    void leave(Job& job, bool shared);

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

// The first non-zero error number of pieces in order, or 0.
int first_error(const std::vector<int>& errors);

}  // namespace tarnvold
