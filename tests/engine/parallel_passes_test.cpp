// SPDX-License-Identifier: GPL-3.0-or-later
// Both coding passes shared with the worker pool in pieces: the same bytes,
// progress and failures as the plain block loop.
#include "engine/engine.h"
#include "engine/keystream.h"
#include "io/file_io.h"
#include "support/fault_plan.h"
#include "support/script_ui.h"
#include "support/shared_workers.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold;
using namespace tarnvold::testing;

TEST(ParallelPasses, SameBytesAndSameProgressAsOneByteAtATime) {
    // With workers, and without them (the plain block loop).
    for (const unsigned workers : {3u, 0u}) {
        SCOPED_TRACE(workers);
        SharedWorkers pool(workers);
        // 3 MiB + 5: several pieces per block, a step that does not divide the
        // pieces, and a tail.
        TempDir dir;
        const std::size_t size = 3 * 1024 * 1024 + 5;
        std::string plain(size, '\0');
        for (std::size_t i = 0; i < size; ++i) plain[i] = static_cast<char>(i * 7 + (i >> 9));
        write_file(dir.file("plain"), plain);

        ScriptUi ui;
        Engine engine(ui);
        engine.seeds().set_state(12345);
        SeedGenerator seeds;
        seeds.set_state(12345);
        const std::int32_t seed = seeds.next_seed();
        ASSERT_EQ(engine.codefile(dir.file("plain"), dir.file("coded"), "pw!"), Outcome::Done);

        // Expected payload, byte by byte.
        PasswordStream pw("pw!");
        std::string expected = plain;
        std::uint32_t x = static_cast<std::uint32_t>(seed);
        for (std::size_t i = 0; i < size; ++i)
            expected[i] = static_cast<char>(static_cast<std::uint8_t>(plain[i]) ^
                                            level1_key(static_cast<std::int32_t>(++x)) ^ pw.next());
        const std::string coded = read_file(dir.file("coded"));
        ASSERT_EQ(coded.size(), size + 38);
        EXPECT_TRUE(coded.compare(34, size, expected) == 0);

        // Pass 1's steps all come before pass 2's (one block), each followed by
        // the window's turn, 150 of each.
        std::vector<std::string> steps;
        for (std::size_t i = 0; i < ui.calls.size(); ++i) {
            const std::string& c = ui.calls[i];
            if (c == "step:pass1" || c == "step:pass2") {
                steps.push_back(c);
                ASSERT_LT(i + 1, ui.calls.size());
                EXPECT_EQ(ui.calls[i + 1], "events");
            }
        }
        ASSERT_EQ(steps.size(), 300u);
        for (std::size_t i = 0; i < 150; ++i) {
            EXPECT_EQ(steps[i], "step:pass1") << i;
            EXPECT_EQ(steps[150 + i], "step:pass2") << i;
        }
    }
}

TEST(ParallelPasses, FailuresBetweenBlocksComeWhereTheBlockLoopMeetsThem) {
    // Three blocks, each read, coded and written in pieces on the pool: a
    // failure must still end the run after exactly the progress the plain
    // read-code-write loop would have shown.
    SharedWorkers pool(3);
    TempDir dir;
    const std::size_t size = 2 * 10485760 + 1;  // step 139810: 75 steps per full block
    write_file(dir.file("plain"), std::string(size, 'p'));
    struct Case {
        IoOp op;
        int after;
        int steps;  // per pass, shown before the failure
    };
    // Reads 0..2 are the checksum's, 3..5 the coding's; writes 0 and 1 are
    // the header and the gap, 2..4 the blocks.
    for (const Case c : {Case{IoOp::Read, 4, 75}, Case{IoOp::Read, 5, 150}, Case{IoOp::Write, 2, 75},
                         Case{IoOp::Write, 3, 150}, Case{IoOp::Write, 4, 150}}) {
        ScriptUi ui;
        ui.record_steps = false;
        Engine engine(ui);
        FaultPlan plan{c.op, c.after, EIO};
        {
            FaultScope scope(plan);
            EXPECT_THROW(engine.codefile(dir.file("plain"), dir.file("coded"), "pw"), IoError);
        }
        EXPECT_EQ(ui.steps[ProgressBarId::Pass1], c.steps) << static_cast<int>(c.op) << " " << c.after;
        EXPECT_EQ(ui.steps[ProgressBarId::Pass2], c.steps) << static_cast<int>(c.op) << " " << c.after;
        EXPECT_FALSE(std::filesystem::exists(dir.file("coded")));
        EXPECT_EQ(entry_count(dir.path()), 1u);
    }
}
