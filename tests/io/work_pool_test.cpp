// SPDX-License-Identifier: GPL-3.0-or-later
// The worker pool that shares a block's computing with the calling thread.
#include "io/work_pool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tarnvold;

TEST(WorkPool, RunsEveryTaskOnce) {
    WorkPool pool(3);
    std::vector<std::atomic<int>> runs(500);
    pool.run(runs.size(), [&](std::size_t i) { runs[i].fetch_add(1); });
    for (auto& r : runs) EXPECT_EQ(r.load(), 1);
}

TEST(WorkPool, EnteredAgainFromATaskItRunsOnThatThread) {
    WorkPool pool(2);
    std::atomic<int> inner{0};
    std::atomic<int> elsewhere{0};
    pool.run(8, [&](std::size_t) {
        const auto outer = std::this_thread::get_id();
        pool.run(4, [&](std::size_t) {
            inner.fetch_add(1);
            if (std::this_thread::get_id() != outer) elsewhere.fetch_add(1);
        });
    });
    EXPECT_EQ(inner.load(), 32);
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST(WorkPool, TheFirstFailingPieceWins) {
    WorkPool pool(3);
    std::atomic<int> ran{0};
    // Piece 40 fails before piece 7 in time, but 7 comes first.
    EXPECT_EQ(pool.run_pieces(100,
                              [&](std::size_t i) {
                                  ran.fetch_add(1);
                                  return i == 7 ? EIO : i == 40 || i == 90 ? ENOSPC : 0;
                              }),
              EIO);
    EXPECT_EQ(ran.load(), 100);
    EXPECT_EQ(pool.run_pieces(10, [](std::size_t) { return 0; }), 0);
}

namespace {

// Marks that it began, then waits until it is let go.
struct HeldTask : SideTask::Task {
    std::atomic<bool> began{false}, go{false}, ended{false};
    void run() noexcept override {
        began = true;
        while (!go) std::this_thread::yield();
        ended = true;
    }
};

void until(const std::atomic<bool>& flag) {
    while (!flag) std::this_thread::yield();
}

}  // namespace

TEST(SideTask, ATaskIsCollectedOnceItRanAndLeftToEndWhenItTakesTooLong) {
    SideTask side;
    auto quick = std::make_shared<HeldTask>();
    quick->go = true;
    ASSERT_TRUE(side.try_start(quick));
    until(quick->began);
    EXPECT_TRUE(side.collect(std::chrono::hours(1)));
    EXPECT_TRUE(quick->ended);

    // One that does not end in time is the caller's to redo; the thread is
    // not free for another until it has ended, and it keeps what it holds.
    auto slow = std::make_shared<HeldTask>();
    ASSERT_TRUE(side.try_start(slow));
    until(slow->began);
    EXPECT_FALSE(side.collect(std::chrono::microseconds(50)));
    EXPECT_FALSE(side.try_start(std::make_shared<HeldTask>()));
    std::weak_ptr<HeldTask> held = slow;
    std::atomic<bool>& go = slow->go;
    slow.reset();
    ASSERT_FALSE(held.expired());
    go = true;
    auto next = std::make_shared<HeldTask>();
    next->go = true;
    while (!side.try_start(next)) std::this_thread::yield();
    EXPECT_TRUE(held.expired());
}

TEST(WorkPool, BlocksAreOpenedBeforeTheirTasksAndClosedAfterThemInOrder) {
    WorkPool pool(3);
    struct Fails {
        int open_at;
        int close_at;
    };
    // 103 tasks in blocks of 10: 11 blocks, the last one of 3.
    for (const Fails f : {Fails{-1, -1}, Fails{4, -1}, Fails{-1, 2}}) {
        SCOPED_TRACE(std::to_string(f.open_at) + " " + std::to_string(f.close_at));
        std::atomic<std::size_t> opened{0};
        std::vector<std::atomic<int>> ran(103);
        std::atomic<int> early{0};
        std::vector<std::size_t> closed;
        auto run = [&] {
            pool.run_blocks(
                ran.size(), 10,
                [&](std::size_t b) {
                    EXPECT_EQ(opened.load(), b);
                    if (static_cast<int>(b) == f.open_at) throw std::runtime_error("open");
                    opened.store(b + 1);
                },
                [&](std::size_t i) {
                    if (i / 10 >= opened.load()) early.fetch_add(1);
                    ran[i].fetch_add(1);
                },
                [&](std::size_t b) {
                    for (std::size_t i = b * 10; i < std::min<std::size_t>(b * 10 + 10, ran.size()); ++i)
                        EXPECT_EQ(ran[i].load(), 1) << i;
                    closed.push_back(b);
                    if (static_cast<int>(b) == f.close_at) throw std::runtime_error("close");
                });
        };
        const int last = f.open_at >= 0 ? f.open_at - 1 : f.close_at >= 0 ? f.close_at : 10;
        if (last == 10)
            run();
        else
            EXPECT_THROW(run(), std::runtime_error);
        EXPECT_EQ(early.load(), 0);
        ASSERT_EQ(closed.size(), static_cast<std::size_t>(last + 1));
        for (std::size_t b = 0; b < closed.size(); ++b) EXPECT_EQ(closed[b], b);
        // A block that failed to open never ran a task.
        if (f.open_at >= 0) {
            for (std::size_t i = static_cast<std::size_t>(f.open_at) * 10; i < ran.size(); ++i)
                EXPECT_EQ(ran[i].load(), 0) << i;
        }
    }
    // Without tasks there is still one block; the pool is fine after a failure.
    int steps = 0;
    pool.run_blocks(
        0, 10, [&](std::size_t) { ++steps; }, [](std::size_t) {}, [&](std::size_t) { ++steps; });
    EXPECT_EQ(steps, 2);
}
