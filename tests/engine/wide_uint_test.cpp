// SPDX-License-Identifier: GPL-3.0-or-later
// The two-limb 128-bit integers that 32-bit builds of the fast key stream
// compute their residues with.
#include "engine/wide_uint.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>

using tarnvold::detail::TwoLimbU128;

namespace {

// Values of every size: full width, below the residues' 2^69, and small.
TwoLimbU128 draw(std::mt19937_64& rng) {
    const TwoLimbU128 v{rng(), rng()};
    switch (rng() % 4) {
    case 0: return v;
    case 1: return v >> static_cast<int>(59 + rng() % 60);
    case 2: return TwoLimbU128{rng() >> (rng() % 64)};
    default: return v >> static_cast<int>(rng() % 128);
    }
}

TEST(TwoLimbU128, DivisionAndRemainderRebuildTheDividend) {
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        const TwoLimbU128 a = draw(rng);
        TwoLimbU128 b = draw(rng);
        if (!b) b = 1;
        const TwoLimbU128 q = a / b, r = a % b;
        ASSERT_LT(r, b);
        ASSERT_EQ(q * b + r, a);
    }
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Native;

Native native(TwoLimbU128 v) { return (static_cast<Native>(v.high()) << 64) | v.low(); }

// Wherever the compiler has the type, every operation gives its results.
TEST(TwoLimbU128, AgreesWithTheNativeType) {
    std::mt19937_64 rng(777);
    const auto same = [](TwoLimbU128 v, Native n) { return native(v) == n; };
    for (int i = 0; i < 20000; ++i) {
        const TwoLimbU128 a = draw(rng), b = draw(rng);
        const Native na = native(a), nb = native(b);
        const int s = static_cast<int>(rng() % 128);
        ASSERT_TRUE(same(a + b, na + nb));
        ASSERT_TRUE(same(a - b, na - nb));
        ASSERT_TRUE(same(a * b, na * nb));
        ASSERT_TRUE(same(a << s, na << s));
        ASSERT_TRUE(same(a >> s, na >> s));
        ASSERT_EQ(a < b, na < nb);
        ASSERT_EQ(static_cast<double>(a), static_cast<double>(na));
        if (b) {
            ASSERT_TRUE(same(a / b, na / nb));
            ASSERT_TRUE(same(a % b, na % nb));
        }
    }
}
#endif

}  // namespace
