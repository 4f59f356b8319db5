// SPDX-License-Identifier: GPL-3.0-or-later
// Large reads shared with the worker pool.
#include "io/file_io.h"
#include "support/shared_workers.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold;
using tarnvold::testing::SharedWorkers;
using tarnvold::testing::TempDir;

TEST(LargeReads, SharedReadsLandInPlaceAndMoveThePositionOn) {
    // Reads of 4 MiB and more are split among the pool; they must behave as
    // one read: bytes in place, position after them, a short file an error.
    SharedWorkers pool(3);
    TempDir dir;
    std::string contents(9 * 1024 * 1024 + 3, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>((i * 131) ^ (i >> 11));
    tarnvold::testing::write_file(dir.file("big"), contents);
    InputFile in(dir.file("big"));
    std::vector<std::uint8_t> first(5 * 1024 * 1024 + 1), second(4 * 1024 * 1024 + 2);
    in.read_exact(first.data(), first.size());
    in.read_exact(second.data(), second.size());
    EXPECT_EQ(std::string(first.begin(), first.end()), contents.substr(0, first.size()));
    EXPECT_EQ(std::string(second.begin(), second.end()), contents.substr(first.size(), second.size()));
    in.seek(1);
    std::vector<std::uint8_t> too_much(contents.size());
    try {
        in.read_exact(too_much.data(), too_much.size());
        FAIL() << "read past the end";
    } catch (const IoError& e) {
        EXPECT_EQ(e.kind(), IoKind::EndOfFile);
    }
}
