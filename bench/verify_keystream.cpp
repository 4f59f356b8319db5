// SPDX-License-Identifier: GPL-3.0-or-later
// Compares the fast position key stream with the x87 sine instruction for
// every |x| from 0 to 2^31, on all cores, and reports the arguments whose key
// byte comes closest to a rounding tie.
//
//   verify_keystream [first last]     (default: the whole range 0 .. 2^31)
//
// For each |x| = a it checks, against level1_key_x87's stream:
//   - the AVX-512 and AVX2 kernels (those the processor has) and the portable
//     kernel on a rising run (x = a > 0),
//   - the fastest kernel on a falling run (x = -a, where |x| shrinks),
//   - the single-byte path level1_key_fast on every 509th argument,
// and measures how far 125 (1 + s) lies from a half-integer, s being the
// instruction's own sine on 80-bit operands.  Exit status 0 when nothing
// differs.  Takes minutes; it is not part of the test run.
#include "engine/keystream.h"
#include "engine/keystream_fast.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace tarnvold;

#if defined(TARNVOLD_HAVE_X87)

namespace {

constexpr std::int64_t kChunk = 1 << 20;
constexpr std::size_t kKeep = 24;  // closest-to-tie arguments kept

struct Near {
    long double distance;
    std::int64_t a;
    int key;
};

struct Mismatch {
    const char* what;
    std::int64_t a;
    int expected;
    int got;
};

// The instruction's sine of a^2 with a 64-bit significand, rounding to nearest.
long double x87_sine_of_square(std::int64_t a) {
    const long double la = static_cast<long double>(a);
    long double v = la * la;
    long double s;
    asm("fsin" : "=t"(s) : "0"(v));
    return s;
}

class X87Extended {
public:
    X87Extended() {
        asm volatile("fnstcw %0" : "=m"(saved_));
        const std::uint16_t wanted = static_cast<std::uint16_t>((saved_ & ~0x0F00u) | 0x0300u);
        asm volatile("fldcw %0" : : "m"(wanted));
    }
    ~X87Extended() { asm volatile("fldcw %0" : : "m"(saved_)); }
    X87Extended(const X87Extended&) = delete;
    X87Extended& operator=(const X87Extended&) = delete;

private:
    std::uint16_t saved_ = 0;
};

struct Shared {
    std::int64_t first = 0;
    std::int64_t last = 0;  // inclusive
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> compared{0};
    std::mutex lock;
    std::vector<Near> nearest;
    std::vector<Mismatch> mismatches;
    std::int64_t mismatch_count = 0;
};

void keep_nearest(std::vector<Near>& list, const Near& n) {
    if (list.size() < kKeep) {
        list.push_back(n);
        std::push_heap(list.begin(), list.end(), [](const Near& x, const Near& y) { return x.distance < y.distance; });
    } else if (n.distance < list.front().distance) {
        std::pop_heap(list.begin(), list.end(), [](const Near& x, const Near& y) { return x.distance < y.distance; });
        list.back() = n;
        std::push_heap(list.begin(), list.end(), [](const Near& x, const Near& y) { return x.distance < y.distance; });
    }
}

void worker(Shared& sh) {
    X87Extended extended;
    const bool avx2 = fast_kernel_available(FastKernel::Avx2);
    const bool avx512 = fast_kernel_available(FastKernel::Avx512);
    const FastKernel fastest = avx512 ? FastKernel::Avx512 : avx2 ? FastKernel::Avx2 : FastKernel::Portable;
    std::vector<std::uint8_t> ref(kChunk), fast(kChunk), wide(kChunk), portable(kChunk), falling(kChunk);
    std::vector<Near> nearest;
    std::vector<Mismatch> bad;
    std::int64_t bad_count = 0;
    auto report = [&](const char* what, std::int64_t a, int expected, int got) {
        ++bad_count;
        if (bad.size() < 50) bad.push_back({what, a, expected, got});
    };

    for (;;) {
        const std::int64_t lo = sh.first + sh.next.fetch_add(kChunk);
        if (lo > sh.last) break;
        const std::int64_t hi = std::min(lo + kChunk - 1, sh.last);
        const auto n = static_cast<std::size_t>(hi - lo + 1);

        // x = seed + n with n from 1: x runs lo .. hi (a = 2^31 only as x = -2^31).
        const bool top = hi == (1ll << 31);
        const std::size_t rising = top ? n - 1 : n;
        std::fill_n(ref.begin(), n, 0);
        std::fill_n(fast.begin(), n, 0);
        std::fill_n(wide.begin(), n, 0);
        std::fill_n(portable.begin(), n, 0);
        std::fill_n(falling.begin(), n, 0);
        const auto seed = static_cast<std::int32_t>(lo - 1);
        level1_xor_x87(seed, 1, ref.data(), rising);
        if (avx2) level1_xor_fast_with(FastKernel::Avx2, seed, 1, fast.data(), rising);
        if (avx512) level1_xor_fast_with(FastKernel::Avx512, seed, 1, wide.data(), rising);
        level1_xor_fast_with(FastKernel::Portable, seed, 1, portable.data(), rising);
        if (top) ref[n - 1] = level1_key_x87(INT32_MIN);
        // The falling run x = -hi .. -lo covers the same arguments in reverse.
        const std::int64_t neg_first = -hi;
        level1_xor_fast_with(fastest, static_cast<std::int32_t>(neg_first - 1), 1, falling.data(), n);

        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t a = lo + static_cast<std::int64_t>(i);
            const int expected = ref[i];
            if (i < rising) {
                if (avx2 && fast[i] != expected) report("avx2 rising", a, expected, fast[i]);
                if (avx512 && wide[i] != expected) report("avx512 rising", a, expected, wide[i]);
                if (portable[i] != expected) report("portable rising", a, expected, portable[i]);
            }
            if (falling[n - 1 - i] != expected) report("falling", a, expected, falling[n - 1 - i]);
            if (a % 509 == 0) {
                const int single = level1_key_fast(static_cast<std::int32_t>(a == (1ll << 31) ? INT32_MIN : a));
                if (single != expected) report("single", a, expected, single);
            }
            const long double w = (x87_sine_of_square(a) + 1.0L) * 125.0L;
            const long double d = std::fabs(w - std::floor(w) - 0.5L);
            keep_nearest(nearest, {d, a, expected});
        }
        sh.compared.fetch_add(static_cast<std::int64_t>(n));
    }

    std::lock_guard<std::mutex> guard(sh.lock);
    for (const Near& x : nearest) sh.nearest.push_back(x);
    for (const Mismatch& m : bad)
        if (sh.mismatches.size() < 50) sh.mismatches.push_back(m);
    sh.mismatch_count += bad_count;
}

}  // namespace

int main(int argc, char** argv) {
    Shared sh;
    sh.first = 0;
    sh.last = 1ll << 31;
    if (argc == 3) {
        sh.first = std::strtoll(argv[1], nullptr, 0);
        sh.last = std::strtoll(argv[2], nullptr, 0);
    }
    if (sh.first < 0 || sh.last > (1ll << 31) || sh.first > sh.last) {
        std::fprintf(stderr, "usage: verify_keystream [first last], 0 <= first <= last <= 2^31\n");
        return 2;
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::printf("comparing |x| = %" PRId64 " .. %" PRId64 " on %u threads (AVX2 kernel: %s, AVX-512 kernel: %s)\n",
                sh.first, sh.last, threads, fast_kernel_available(FastKernel::Avx2) ? "yes" : "no",
                fast_kernel_available(FastKernel::Avx512) ? "yes" : "no");
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i) pool.emplace_back(worker, std::ref(sh));
    const std::int64_t total = sh.last - sh.first + 1;
    std::int64_t shown = 0;
    while (sh.compared.load() < total) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::int64_t now = sh.compared.load();
        if (now - shown >= total / 20) {
            shown = now;
            const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::fprintf(stderr, "  %5.1f%%  %.0f s\n", 100.0 * static_cast<double>(now) / static_cast<double>(total),
                         secs);
        }
    }
    for (auto& t : pool) t.join();
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::sort(sh.nearest.begin(), sh.nearest.end(),
              [](const Near& x, const Near& y) { return x.distance < y.distance; });
    if (sh.nearest.size() > kKeep) sh.nearest.resize(kKeep);
    std::printf("arguments compared: %" PRId64 " in %.0f s\n", sh.compared.load(), secs);
    std::printf("mismatches: %" PRId64 "\n", sh.mismatch_count);
    for (const Mismatch& m : sh.mismatches)
        std::printf("  %s: |x| = %" PRId64 " x87 %d fast %d\n", m.what, m.a, m.expected, m.got);
    std::printf("closest to a rounding tie (|125 (1 + s) - half-integer|, x87 key byte):\n");
    for (const Near& n : sh.nearest)
        std::printf("  |x| = %10" PRId64 "  distance %.6Le  key %d\n", n.a, n.distance, n.key);
    return sh.mismatch_count == 0 ? 0 : 1;
}

#else

int main() {
    std::fprintf(stderr, "verify_keystream needs the x87 reference (TARNVOLD_WITH_X87)\n");
    return 2;
}

#endif
