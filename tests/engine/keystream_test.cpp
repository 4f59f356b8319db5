// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/keystream.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold;

TEST(SeedGenerator, FirstSeedsOfEveryRunAreFixed) {
    SeedGenerator g;
    EXPECT_EQ(g.next_seed(), 0);
    EXPECT_EQ(g.next_seed(), 10143254);
    EXPECT_EQ(g.next_seed(), 278325391);
    SeedGenerator again;  // a fresh start repeats them
    EXPECT_EQ(again.next_seed(), 0);
    EXPECT_EQ(again.next_seed(), 10143254);
}

TEST(SeedGenerator, SeedsStayInTheirRange) {
    SeedGenerator g;
    for (int i = 0; i < 100000; ++i) {
        const auto s = g.next_seed();
        ASSERT_GE(s, 0);
        ASSERT_LE(s, 323240098);
    }
}

TEST(Swap32, ReversesByteOrder) {
    EXPECT_EQ(swap32(0x0012C69Au), 0x9AC61200u);
    EXPECT_EQ(swap32(swap32(0xDEADBEEFu)), 0xDEADBEEFu);
}

TEST(PositionKey, FirstBytesForSeedZero) {
    EXPECT_EQ(level1_key(1), 230);
    EXPECT_EQ(level1_key(2), 30);
    EXPECT_EQ(level1_key(3), 177);
    EXPECT_EQ(level1_key(4), 89);
    // The key depends on |x| only, and stays within 0..250.
    for (std::int32_t x : {5, 1000, 123456789, 2147483647}) {
        EXPECT_EQ(level1_key(x), level1_key(-x)) << x;
        EXPECT_LE(level1_key(x), 250);
    }
}

TEST(PositionKey, XorRunMatchesSingleKeysAcrossTheWrap) {
    // seed + n passes 2^31 - 1 and goes on at -2^31.
    const std::int32_t seed = 2147483647 - 5;
    std::vector<std::uint8_t> buf(12, 0);
    level1_xor(seed, 1, buf.data(), buf.size());
    std::uint32_t x = static_cast<std::uint32_t>(seed) + 1u;
    for (std::size_t i = 0; i < buf.size(); ++i, ++x) EXPECT_EQ(buf[i], level1_key(static_cast<std::int32_t>(x))) << i;
}

namespace {
std::vector<std::uint8_t> password_stream(const std::string& password, std::size_t n) {
    PasswordStream ps(password);
    std::vector<std::uint8_t> out(n, 0);
    ps.xor_into(out.data(), n);
    return out;
}
std::string pattern_password(std::size_t length) {
    std::string pw;
    for (std::size_t i = 0; i < length; ++i) pw.push_back(static_cast<char>('!' + i % 90));
    return pw;
}
}  // namespace

TEST(PasswordKey, ShortPasswordRepeats) {
    const auto s = password_stream("ab", 5);
    EXPECT_EQ(s, (std::vector<std::uint8_t>{'a', 'b', 'a', 'b', 'a'}));
}

TEST(PasswordKey, EightBitIndexRepeatsUpTo254BytesAndWrapsFrom255) {
    // The index steps from 255 to 0 before it is compared with the length:
    // 254 bytes repeat, 255 and more give p1 .. p255, one 0, p1 ...
    const std::string pw254 = pattern_password(254);
    const auto short_stream = password_stream(pw254, 600);
    for (std::size_t i = 0; i < short_stream.size(); ++i)
        ASSERT_EQ(short_stream[i], static_cast<std::uint8_t>(pw254[i % 254])) << i;
    const std::string pw256 = pattern_password(256);
    for (const std::size_t length : {255u, 256u}) {
        const auto s = password_stream(pw256.substr(0, length), 700);
        for (std::size_t i = 0; i < s.size(); ++i) {
            const std::size_t k = i % 256;
            const std::uint8_t expected = k == 255 ? 0 : static_cast<std::uint8_t>(pw256[k]);
            ASSERT_EQ(s[i], expected) << length << " at " << i;
        }
    }
    // A 300-byte password with the same first 255 bytes gives the same stream.
    std::string pw300 = pw256.substr(0, 255) + std::string(45, 'Z');
    EXPECT_EQ(password_stream(pw300, 700), password_stream(pw256, 700));
}

TEST(PasswordKey, StreamRunsOnAcrossCalls) {
    const std::string pw = "Secret pass";
    const auto whole = password_stream(pw, 1000);
    PasswordStream ps(pw);
    std::vector<std::uint8_t> pieces(1000, 0);
    std::size_t at = 0;
    for (std::size_t len : {1u, 7u, 11u, 13u, 500u, 468u}) {
        ps.xor_into(pieces.data() + at, len);
        at += len;
    }
    EXPECT_EQ(pieces, whole);
}

TEST(Transform, TwoBytePasswordWithSeedZero) {
    // plain b1..b4 become b XOR position key XOR password key.
    std::vector<std::uint8_t> buf = {0x10, 0x20, 0x30, 0x40};
    level1_xor(0, 1, buf.data(), buf.size());
    PasswordStream("pq").xor_into(buf.data(), buf.size());
    EXPECT_EQ(buf[0], 0x10 ^ 230 ^ 'p');
    EXPECT_EQ(buf[1], 0x20 ^ 30 ^ 'q');
    EXPECT_EQ(buf[2], 0x30 ^ 177 ^ 'p');
    EXPECT_EQ(buf[3], 0x40 ^ 89 ^ 'q');
}
