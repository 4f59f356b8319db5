// SPDX-License-Identifier: GPL-3.0-or-later
// The byte sum that is the coded file's checksum.
#include "engine/checksum.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

using namespace tarnvold;

TEST(ByteSum, MatchesAPlainSum) {
    std::vector<std::uint8_t> data(100000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    for (std::size_t offset : {0u, 1u, 7u, 33u})
        for (std::size_t len : {0u, 1u, 31u, 63u, 64u, 65u, 1000u, 99000u}) {
            const std::uint64_t expected =
                std::accumulate(data.begin() + offset, data.begin() + offset + len, std::uint64_t{0});
            EXPECT_EQ(checksum(data.data() + offset, len), expected) << offset << " " << len;
            EXPECT_EQ(checksum_portable(data.data() + offset, len), expected) << offset << " " << len;
        }
    // Sums that do not fit in 32 bits.
    std::vector<std::uint8_t> ff(20000000, 0xFF);
    EXPECT_EQ(checksum(ff.data(), ff.size()), 5100000000ull);
    EXPECT_EQ(checksum_portable(ff.data(), ff.size()), 5100000000ull);
}
