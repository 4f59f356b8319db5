// The worker pool that shares a block's computing with the calling thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "io/work_pool.h"

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
