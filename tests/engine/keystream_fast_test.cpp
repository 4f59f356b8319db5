// SPDX-License-Identifier: GPL-3.0-or-later
// The fast position key stream against the x87 instruction that defines the
// format.
#include "engine/keystream_fast.h"

#include "engine/keystream.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

using namespace tarnvold;

namespace {

// Every kernel this processor can run.
std::vector<FastKernel> kernels() {
    std::vector<FastKernel> k{FastKernel::Portable};
    for (FastKernel extra : {FastKernel::Avx2, FastKernel::Avx512})
        if (fast_kernel_available(extra)) k.push_back(extra);
    return k;
}

const char* name(FastKernel k) {
    switch (k) {
    case FastKernel::Avx2: return "avx2";
    case FastKernel::Avx512: return "avx512";
    case FastKernel::Portable: break;
    }
    return "portable";
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& v) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : v) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<std::uint8_t> fast_run(FastKernel k, std::int32_t seed, std::int32_t n_first, std::size_t len) {
    std::vector<std::uint8_t> b(len, 0);
    level1_xor_fast_with(k, seed, n_first, b.data(), len);
    return b;
}

// Sampled runs of 3001 key bytes (x = seed + n_first, seed + n_first + 1, ...)
// spread over the domain, on both sides of zero, across zero and across the
// wrap past 2^31 - 1, with the FNV-1a hash of the bytes the x87 instruction
// gives for them (recorded from the x87 reference on this machine).
struct Window {
    std::int32_t seed;
    std::int32_t n_first;
    std::uint64_t x87_hash;
};
constexpr std::size_t kWindow = 3001;
// clang-format off
const Window kWindows[] = {
    {12345, 1, 0xf7c9ae3ef4ae43e3ull},
    {53699436, 1, 0x733f1f7210e13ea0ull},
    {107386527, 1, 0x68b13f93cd1bf82aull},
    {161073618, 1, 0xc954e0b56ffc377full},
    {214760709, 1, 0x9115d49ff9ece8b4ull},
    {268447800, 1, 0x369a31d3d64ac2b5ull},
    {322134891, 1, 0x9a36cdf9f55fc039ull},
    {375821982, 1, 0x500d267f0cfb29acull},
    {429509073, 1, 0x8acaab77e5ec4c16ull},
    {483196164, 1, 0xa91744376cebdc40ull},
    {536883255, 1, 0x6f9bc32f69745bacull},
    {590570346, 1, 0x378ab695bffa61eaull},
    {644257437, 1, 0x08af4706bcd0ed84ull},
    {697944528, 1, 0x5878263f272996b3ull},
    {751631619, 1, 0x922b6972f528fa32ull},
    {805318710, 1, 0xa14c17f0233cd3ffull},
    {859005801, 1, 0x6e13ce9d73643cc5ull},
    {912692892, 1, 0x9273b44ecbb2d584ull},
    {966379983, 1, 0x39c577c3a745f884ull},
    {1020067074, 1, 0xda510a95c101101dull},
    {1073754165, 1, 0x35ecbfb63dbc9ecbull},
    {1127441256, 1, 0x0c14cb4ace24b7dbull},
    {1181128347, 1, 0xa590b2b7f698db10ull},
    {1234815438, 1, 0xd95bcc3e43776ddcull},
    {1288502529, 1, 0x3d6f1fef677d023eull},
    {1342189620, 1, 0x0a765c7db1232504ull},
    {1395876711, 1, 0x6e445a05bbf1ae21ull},
    {1449563802, 1, 0x3cf85d97905a6d94ull},
    {1503250893, 1, 0x2a5c87d11d042ca0ull},
    {1556937984, 1, 0x70b9fb4f18e3bae3ull},
    {1610625075, 1, 0x2bdd838565977414ull},
    {1664312166, 1, 0x472df7f77c37773cull},
    {1717999257, 1, 0xf351be6c08320e6dull},
    {1771686348, 1, 0x821b8394c390506bull},
    {1825373439, 1, 0xe45cc3805d901c50ull},
    {1879060530, 1, 0x5bbbffe4ccf0ba16ull},
    {1932747621, 1, 0x1db80fe853a0d72eull},
    {1986434712, 1, 0x3c3404dab16f242bull},
    {2040121803, 1, 0xc3ceb371f6a5b380ull},
    {2093808894, 1, 0x54af83b1dcd465d6ull},
    {-7, 1, 0x06f18f50570f29bbull},
    {-268435462, 1, 0xec8c1d23e8fa8b73ull},
    {-536870917, 1, 0x1b14293338380d75ull},
    {-805306372, 1, 0x64f8297b1dd7e5feull},
    {-1073741827, 1, 0xd8204cd54dc4e761ull},
    {-1342177282, 1, 0x97ae0af144998856ull},
    {-1610612737, 1, 0xc9a30436095c756cull},
    {-1879048192, 1, 0x3110ab7e043ecefcull},
    {2147482147, 1, 0x3f99025a154edd6aull},
    {323240098, 1824243449, 0x0bd007ddda29f9fdull},
};
// clang-format on

// The arguments whose key byte lies nearest a rounding tie over the whole
// domain |x| <= 2^31, with the x87 key byte, as found by a full run of
// bench/verify_keystream (distance of 125 (1 + s) from a half-integer).
struct NearTie {
    std::int32_t a;
    int key;
    double distance;
};
// clang-format off
const NearTie kNearTies[] = {
    {626117442, 227, 1.094581e-10},  {1187803654, 26, 4.355156e-10}, {414639568, 240, 5.312242e-10},
    {1433595760, 192, 9.566282e-10}, {1410300583, 97, 1.245827e-09}, {1438835471, 202, 1.412804e-09},
    {1979900436, 221, 1.432936e-09}, {1283375631, 106, 1.726655e-09}, {1395645986, 239, 1.997091e-09},
    {2054477482, 117, 2.788808e-09}, {1645236746, 203, 3.039464e-09}, {1897978918, 247, 3.163952e-09},
    {214442963, 196, 3.271951e-09},  {2018459857, 174, 3.330282e-09}, {994205376, 144, 3.515585e-09},
    {1875247274, 184, 3.671429e-09}, {920687998, 42, 3.815794e-09},  {1637007760, 1, 3.896588e-09},
    {289265553, 196, 4.073932e-09},  {1180378599, 10, 4.101959e-09}, {48364762, 40, 5.260998e-09},
    {1803228280, 67, 5.518582e-09},  {1169070215, 191, 5.575962e-09}, {944233480, 224, 6.631457e-09},
};
// clang-format on

}  // namespace

TEST(FastKeyStream, SampledRunsMatchTheX87Stream) {
    for (const Window& w : kWindows) {
        std::vector<std::uint8_t> reference;
        if (x87_available()) {
            reference.assign(kWindow, 0);
            level1_xor_x87(w.seed, w.n_first, reference.data(), kWindow);
            // The recorded hash is the x87 stream's own.
            ASSERT_EQ(fnv1a(reference), w.x87_hash) << w.seed;
        }
        for (FastKernel k : kernels()) {
            const auto fast = fast_run(k, w.seed, w.n_first, kWindow);
            EXPECT_EQ(fnv1a(fast), w.x87_hash) << name(k) << " seed " << w.seed << " n " << w.n_first;
            if (!reference.empty()) {
                for (std::size_t i = 0; i < kWindow; ++i)
                    ASSERT_EQ(fast[i], reference[i]) << name(k) << " seed " << w.seed << " byte " << i;
            }
        }
    }
}

TEST(FastKeyStream, ArgumentsNearestATieGiveTheX87Byte) {
    for (const NearTie& t : kNearTies) {
        EXPECT_EQ(level1_key_fast(t.a), t.key) << t.a;
        EXPECT_EQ(level1_key_fast(-t.a), t.key) << t.a;
        if (x87_available()) {
            EXPECT_EQ(level1_key_x87(t.a), t.key) << t.a;
        }
        // Inside long runs, rising and falling, at every lane of a step.
        for (FastKernel k : kernels()) {
            for (std::int32_t back : {1, 40, 77}) {
                const auto up = fast_run(k, t.a - back, 1, 200);
                EXPECT_EQ(up[static_cast<std::size_t>(back - 1)], t.key) << name(k) << " " << t.a;
                const auto down = fast_run(k, -t.a - back, 1, 200);
                EXPECT_EQ(down[static_cast<std::size_t>(back - 1)], t.key) << name(k) << " -" << t.a;
            }
        }
    }
}

TEST(FastKeyStream, EdgesOfTheDomain) {
    EXPECT_EQ(level1_key_fast(INT32_MIN), 37);  // x^2 = 2^62
    EXPECT_EQ(level1_key_fast(INT32_MAX), 246);
    EXPECT_EQ(level1_key_fast(INT32_MIN + 1), 246);
    EXPECT_EQ(level1_key_fast(0), 125);
    const std::uint8_t first[] = {230, 30, 177, 89};
    for (FastKernel k : kernels()) {
        // seed + n passes 2^31 - 1 and goes on at -2^31, inside one run.
        const std::int32_t seed = INT32_MAX - 70;
        const auto run = fast_run(k, seed, 1, 200);
        std::uint32_t x = static_cast<std::uint32_t>(seed) + 1u;
        for (std::size_t i = 0; i < run.size(); ++i, ++x)
            ASSERT_EQ(run[i], level1_key_fast(static_cast<std::int32_t>(x))) << name(k) << " " << i;
        EXPECT_EQ(run[70], 37) << name(k);  // x = -2^31
        // A run starting exactly at -2^31, and one crossing zero.
        EXPECT_EQ(fast_run(k, INT32_MIN, 0, 64)[0], 37) << name(k);
        const auto across = fast_run(k, -100, 1, 300);
        for (std::size_t i = 0; i < across.size(); ++i)
            ASSERT_EQ(across[i], level1_key_fast(-99 + static_cast<std::int32_t>(i))) << name(k) << " " << i;
        const auto start = fast_run(k, 0, 1, 64);
        EXPECT_TRUE(std::equal(std::begin(first), std::end(first), start.begin())) << name(k);
    }
}

TEST(FastKeyStream, RunsDoNotDependOnWhereTheyAreCut) {
    // The engine hands the stream out in pieces of any length.
    for (FastKernel k : kernels()) {
        const std::int32_t seed = 278325391;
        const auto whole = fast_run(k, seed, 1, 5000);
        std::vector<std::uint8_t> pieces(5000, 0);
        std::size_t at = 0;
        for (std::size_t len : {1u, 31u, 32u, 33u, 1000u, 63u, 3840u}) {
            level1_xor_fast_with(k, seed, static_cast<std::int32_t>(at + 1), pieces.data() + at, len);
            at += len;
        }
        ASSERT_EQ(at, whole.size());
        EXPECT_EQ(pieces, whole) << name(k);
    }
}

TEST(FastKeyStream, LongRunsStayExact) {
    // A run longer than one set of lanes carries (2 MiB), rising and falling,
    // every byte against the exact single-byte path.
    constexpr std::size_t kLen = 5 * 1024 * 1024 + 77;
    for (const std::int32_t seed : {1999999000, -700000000}) {
        std::vector<std::uint8_t> expected(kLen);
        std::uint32_t x = static_cast<std::uint32_t>(seed) + 1u;
        for (std::size_t i = 0; i < kLen; ++i, ++x) expected[i] = level1_key_fast(static_cast<std::int32_t>(x));
        for (FastKernel k : kernels()) {
            const auto got = fast_run(k, seed, 1, kLen);
            std::size_t wrong = 0;
            while (wrong < kLen && got[wrong] == expected[wrong]) ++wrong;
            EXPECT_EQ(wrong, kLen) << name(k) << " seed " << seed << ": first difference";
        }
    }
}

TEST(FastKeyStream, CombinedWithThePasswordStreamInOnePass) {
    // Periods 2, 13, 255 and 256 (a long password), at positions that do
    // not start a period, cut at odd places: the same bytes as the two
    // streams applied one after the other, and the sums of the bytes given
    // or left that the pass adds up on the way.
    std::vector<std::uint8_t> data(70000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + (i >> 8));
    std::string long_password;
    for (int i = 0; i < 300; ++i) long_password.push_back(static_cast<char>('A' + i % 57));
    const std::int32_t seed = -123456789;
    for (const std::string& password :
         {std::string("xy"), std::string("Thirteen byte"), long_password.substr(0, 255), long_password}) {
        PasswordStream pw(password);
        const std::uint64_t start = 1000003;  // stream position of data[0]
        std::vector<std::uint8_t> expected = data;
        level1_xor_fast(seed, static_cast<std::int32_t>(start + 1), expected.data(), expected.size());
        PasswordStream walk = pw;
        walk.skip(start);
        walk.xor_into(expected.data(), expected.size());
        const std::uint64_t given = std::accumulate(data.begin(), data.end(), std::uint64_t{0});
        const std::uint64_t left = std::accumulate(expected.begin(), expected.end(), std::uint64_t{0});
        for (FastKernel k : kernels()) {
            for (const KeyedSum summed : {KeyedSum::None, KeyedSum::Given, KeyedSum::Left}) {
                std::vector<std::uint8_t> got = data;
                std::uint64_t sum = 0;
                std::size_t at = 0;
                for (std::size_t len : {5u, 32u, 1u, 33000u, 64u, 36898u}) {
                    sum += level1_xor_fast_with_sum(k, seed, static_cast<std::int32_t>(start + at + 1), got.data() + at,
                                                    len, pw.at(start + at), summed);
                    at += len;
                }
                ASSERT_EQ(at, data.size());
                EXPECT_EQ(got, expected) << name(k) << " password of " << password.size();
                EXPECT_EQ(sum, summed == KeyedSum::Given ? given : summed == KeyedSum::Left ? left : 0) << name(k);
            }
        }
        if (x87_available()) {
            set_key_backend(KeyBackend::X87);
            std::vector<std::uint8_t> got = data;
            const std::uint64_t sum = level1_xor_with_sum(seed, static_cast<std::int32_t>(start + 1), pw.at(start),
                                                          got.data(), got.size(), KeyedSum::Left);
            set_key_backend(KeyBackend::Fast);
            EXPECT_EQ(got, expected) << "x87, password of " << password.size();
            EXPECT_EQ(sum, left) << "x87";
        }
    }
}

TEST(FastKeyStream, SinePolynomialIsFarInsideTheTieDistance) {
    // The nearest tie is 1.09e-10 away in the key byte's scale; the
    // polynomial for 125 sin(pi f) stays below 1.2e-11 on the range it is
    // used (and a little beyond, for what lo adds).
    const long double pi = 3.141592653589793238462643383279502884L;
    double worst = 0;
    for (int i = -200000; i <= 200000; ++i) {
        const double f = (0.5 + 1e-9) * i / 200000.0;
        const auto err = static_cast<double>(std::fabs(static_cast<long double>(detail::key_sine(f)) -
                                                       125.0L * std::sin(pi * static_cast<long double>(f))));
        worst = std::max(worst, err);
    }
    EXPECT_LT(worst, 1.2e-11);
}
