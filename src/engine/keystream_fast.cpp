// SPDX-License-Identifier: GPL-3.0-or-later
// The position key stream without the x87 unit.
//
// FSIN reduces its argument by its internal 66-bit pi, P / 2^66 with
// P = 0xC90FDAA22168C234C.  Doing that reduction exactly in integers, with
// x^2 * 2^66 = q * P + R, the instruction's sine is (-1)^q * sin(R / 2^66)
// to far better than any rounding of the key byte can see, so a double sine of
// the reduced argument gives the same key bytes on every processor.
//
// The residue M = x^2 * 2^66 mod 2P carries both q's parity (M >= P) and R.
// Along a run of positions |x| moves by one per byte, and
// (a + 1)^2 = a^2 + 2a + 1, so M is carried by exact additions modulo 2P; the
// amount added grows by 2 * 2^66 per byte.  The kernels run 32 such lanes side
// by side, each advancing 32 positions per step, on M / P in half turns (see
// keystream_fast.h); their starting values come from the exact residues.
#include "engine/keystream_fast.h"

#include "engine/cpu_features.h"
#include "engine/keystream.h"
#include "engine/wide_uint.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace tarnvold {
namespace {

using u128 = detail::U128;

constexpr u128 kP = (static_cast<u128>(0xCu) << 64) | 0x90FDAA22168C234Cull;
constexpr u128 k2P = kP * 2;

u128 add_mod(u128 a, u128 b) {  // a, b < 2P
    const u128 s = a + b;
    return s >= k2P ? s - k2P : s;
}

// v * 2^66 mod 2P, for v < 2P (< 2^69): two shifts that stay inside 128 bits.
u128 times_2_66(u128 v) {
    v = (v << 59) % k2P;
    return (v << 7) % k2P;
}

// m * 2^66 mod 2P for a signed m.
u128 signed_times_2_66(std::int64_t m) {
    const std::uint64_t mag = m < 0 ? 0ull - static_cast<std::uint64_t>(m) : static_cast<std::uint64_t>(m);
    const u128 r = times_2_66(static_cast<u128>(mag) % k2P);
    return (m < 0 && r != 0) ? k2P - r : r;
}

// a^2 * 2^66 mod 2P for 0 <= a <= 2^31 (a^2 <= 2^62 fits in 64 bits).
u128 square_residue(std::uint64_t a) { return times_2_66(static_cast<u128>(a * a) % k2P); }

const u128 kTwo2_66 = times_2_66(2);  // what the added amount grows by per byte

double to_double_round(double v) {
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
    return (v + detail::kRoundMagic) - detail::kRoundMagic;
#else
    return std::nearbyint(v);
#endif
}

// v / P in half turns, for v < 2P: hi = floor(v 2^40 / P) 2^-40 exactly and
// lo the rest, to within 2^-92.
void split(u128 v, double& hi, double& lo) {
    const u128 scaled = v << detail::kGridBits;  // below 2^109
    const u128 q = scaled / kP;
    const u128 r = scaled % kP;
    hi = static_cast<double>(static_cast<std::uint64_t>(q)) * detail::kGrid;
    lo = static_cast<double>(r) / static_cast<double>(kP) * detail::kGrid;
}

// A residue v < 2P as the split above sees it: v 2^40 = q P + r with
// 0 <= r < P, so that q < 2^41.  Residues are added modulo 2P in this form
// without a division: q and r add up, r carries into q, and q is taken
// modulo 2^41 (2P 2^40 = 2^41 P).  The halves come out as split() gives them.
struct Turns {
    std::uint64_t q;
    u128 r;
};

Turns turns_of(u128 v) {
    const u128 scaled = v << detail::kGridBits;
    return {static_cast<std::uint64_t>(scaled / kP), scaled % kP};
}

Turns add_turns(Turns a, Turns b) {
    Turns s{a.q + b.q, a.r + b.r};
    if (s.r >= kP) {
        s.r -= kP;
        ++s.q;
    }
    s.q &= (std::uint64_t{1} << (detail::kGridBits + 1)) - 1;
    return s;
}

// The halves of a residue for the lanes.  lo is taken to within a few units
// of its last place (below 2^-92), without the 128-bit conversion and the
// division of the exact split: far finer than the 1e-17 the lanes allow.
void split(Turns t, double& hi, double& lo) {
    static const double kGridOverP = detail::kGrid / static_cast<double>(kP);
    hi = static_cast<double>(t.q) * detail::kGrid;
    const double r = static_cast<double>(static_cast<std::uint64_t>(t.r >> 64)) * 0x1p64 +
                     static_cast<double>(static_cast<std::uint64_t>(t.r));
    lo = r * kGridOverP;
}

// The key byte at u = hi + lo half turns.
double key_of_turns(double hi, double lo) {
    const double j = to_double_round(hi);
    const double f = (hi - j) + lo;  // hi - j is exact
    // sin(pi (j + f)) = (-1)^j sin(pi f); j / 2 is off a whole number by 1/2
    // exactly when j is odd.
    const double half = j * 0.5;
    const double g = f * (1.0 - 4.0 * std::fabs(half - to_double_round(half)));
    return to_double_round(g * detail::key_quotient(f * f) + 125.0);
}

// The key byte of the residue M (< 2P).
std::uint8_t key_of_residue(u128 m) {
    double hi, lo;
    split(m, hi, lo);
    return static_cast<std::uint8_t>(static_cast<int>(key_of_turns(hi, lo)));
}

bool cpu_has_avx2() { return cpu_has(CpuFeature::Avx2) && cpu_has(CpuFeature::Fma); }

bool cpu_has_avx512() { return cpu_has_avx2() && cpu_has(CpuFeature::Avx512f); }

FastKernel best_kernel() {
    if (cpu_has_avx512()) return FastKernel::Avx512;
    return cpu_has_avx2() ? FastKernel::Avx2 : FastKernel::Portable;
}

std::atomic<FastKernel> g_kernel{best_kernel()};

// Positions a0, a0 + dir, a0 + 2 dir, ... (|x| of consecutive bytes, all on
// one side of zero and without the 32-bit wrap), `count` of them.
void run_segment([[maybe_unused]] FastKernel kernel, std::uint64_t a0, int dir, std::uint8_t* buf, std::size_t count,
                 RepeatingKey& other, KeyedSum summed, std::uint64_t& sum) {
    constexpr std::size_t S = detail::kGroup;
    std::uint64_t a = a0;
    std::size_t done = 0;
    // Fresh lanes every kMaxGroups steps keep the pairs' rounding bounded.
    while (count - done >= S) {
        const std::size_t groups = std::min((count - done) / S, detail::kMaxGroups);
        detail::KeyLanes lanes;
        // Lane o starts at a + dir * o, walked there one position at a time.
        Turns m = turns_of(square_residue(a));
        Turns unit = turns_of(signed_times_2_66(2 * dir * static_cast<std::int64_t>(a) + 1));
        // The lane's amount to its next position, a + dir * S:
        // (2 dir S a + S^2) * 2^66, which grows by 2 S * 2^66 from lane to lane.
        Turns d = turns_of(signed_times_2_66(2 * dir * static_cast<std::int64_t>(S) * static_cast<std::int64_t>(a) +
                                             static_cast<std::int64_t>(S * S)));
        static const Turns kTwo = turns_of(kTwo2_66);
        static const Turns kStep = turns_of(times_2_66(2 * S));
        static const Turns kGrowth = turns_of(times_2_66(2 * S * S));
        for (std::size_t o = 0; o < S; ++o) {
            split(m, lanes.u_hi[o], lanes.u_lo[o]);
            split(d, lanes.d_hi[o], lanes.d_lo[o]);
            m = add_turns(m, unit);
            unit = add_turns(unit, kTwo);
            d = add_turns(d, kStep);
        }
        split(kGrowth, lanes.e_hi, lanes.e_lo);
        lanes.other = other;
        lanes.summed = summed;
        lanes.sum = 0;

        std::uint8_t* out = buf + done;
#if defined(__x86_64__) || defined(__i386__)
        if (kernel == FastKernel::Avx512)
            detail::level1_kernel_avx512(lanes, out, groups);
        else if (kernel == FastKernel::Avx2)
            detail::level1_kernel_avx2(lanes, out, groups);
        else
#endif
            detail::level1_kernel_portable(lanes, out, groups);
        other = lanes.other;
        sum += lanes.sum;
        const std::uint64_t moved = groups * S;
        a = dir > 0 ? a + moved : a - moved;
        done += groups * S;
    }
    // The rest, one exact step at a time.
    u128 m = square_residue(a);
    u128 unit = signed_times_2_66(2 * dir * static_cast<std::int64_t>(a) + 1);
    for (std::size_t i = done; i < count; ++i) {
        if (summed == KeyedSum::Given) sum += buf[i];
        buf[i] ^= static_cast<std::uint8_t>(key_of_residue(m) ^ other.bytes[other.phase]);
        if (summed == KeyedSum::Left) sum += buf[i];
        if (++other.phase == other.period) other.phase = 0;
        m = add_mod(m, unit);
        unit = add_mod(unit, kTwo2_66);
    }
}

}  // namespace

namespace detail {

double key_sine(double f) { return f * key_quotient(f * f); }

// The same computation as the vector kernels, one lane at a time, in plain
// double arithmetic (without fused multiply-add; the only roundings that
// matter are far below the key byte's).
void level1_kernel_portable(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    const unsigned step = kGroup % lanes.other.period;
    std::size_t done = 0;
    while (done < groups) {
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            // The lanes are independent: computed into a local array first
            // (the output bytes could alias anything) so that the compiler
            // can run them side by side.
            alignas(32) double key[kGroup];
            for (std::size_t o = 0; o < kGroup; ++o) {
                key[o] = key_of_turns(lanes.u_hi[o], lanes.u_lo[o]);
                lanes.u_hi[o] += lanes.d_hi[o];
                lanes.u_lo[o] += lanes.d_lo[o];
                lanes.d_hi[o] += lanes.e_hi;
                lanes.d_lo[o] += lanes.e_lo;
            }
            std::uint8_t* out = buf + (done + g) * kGroup;
            const std::uint8_t* more = lanes.other.bytes + lanes.other.phase;
            for (std::size_t o = 0; o < kGroup; ++o) {
                if (lanes.summed == KeyedSum::Given) lanes.sum += out[o];
                out[o] ^= static_cast<std::uint8_t>(static_cast<int>(key[o])) ^ more[o];
                if (lanes.summed == KeyedSum::Left) lanes.sum += out[o];
            }
            lanes.other.phase += step;
            if (lanes.other.phase >= lanes.other.period) lanes.other.phase -= lanes.other.period;
            if ((g & 15) == 15) {
                // Take whole turns (2 half turns) off; exact on the grid.
                for (std::size_t o = 0; o < kGroup; ++o) {
                    lanes.u_hi[o] -= 2.0 * to_double_round(lanes.u_hi[o] * 0.5);
                    lanes.d_hi[o] -= 2.0 * to_double_round(lanes.d_hi[o] * 0.5);
                }
            }
        }
        // Move what lo has gathered beyond the grid into hi.
        for (std::size_t o = 0; o < kGroup; ++o) {
            const double c = to_double_round(lanes.u_lo[o] * kInvGrid) * kGrid;
            lanes.u_lo[o] -= c;
            lanes.u_hi[o] += c;
            const double cd = to_double_round(lanes.d_lo[o] * kInvGrid) * kGrid;
            lanes.d_lo[o] -= cd;
            lanes.d_hi[o] += cd;
        }
        done += run;
    }
}

}  // namespace detail

bool fast_kernel_available(FastKernel kernel) {
    switch (kernel) {
    case FastKernel::Portable: return true;
    case FastKernel::Avx2: return cpu_has_avx2();
    case FastKernel::Avx512: return cpu_has_avx512();
    }
    return false;
}

void set_fast_kernel(FastKernel kernel) {
    if (!fast_kernel_available(kernel)) kernel = FastKernel::Portable;
    g_kernel.store(kernel, std::memory_order_relaxed);
}

FastKernel fast_kernel() { return g_kernel.load(std::memory_order_relaxed); }

std::uint8_t level1_key_fast(std::int32_t x) {
    const std::uint64_t a =
        x < 0 ? 0ull - static_cast<std::uint64_t>(static_cast<std::int64_t>(x)) : static_cast<std::uint64_t>(x);
    return key_of_residue(square_residue(a));
}

void level1_xor_fast(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count) {
    level1_xor_fast_with(g_kernel.load(std::memory_order_relaxed), seed, n_first, buf, count);
}

void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                          std::size_t count) {
    static const std::uint8_t zeros[kRepeatingKeySize] = {};
    level1_xor_fast_with(kernel, seed, n_first, buf, count, RepeatingKey{zeros, 1, 0});
}

void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                          std::size_t count, RepeatingKey other) {
    level1_xor_fast_with_sum(kernel, seed, n_first, buf, count, other, KeyedSum::None);
}

std::uint64_t level1_xor_fast_with_sum(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                                       std::size_t count, RepeatingKey other, KeyedSum summed) {
    std::uint64_t sum = 0;
    // x = seed + n in 32-bit wrap-around arithmetic.  Split the run where x
    // changes sign (|x| turns round at 0, and jumps at the wrap from 2^31 - 1
    // to -2^31).
    std::uint32_t x = static_cast<std::uint32_t>(seed) + static_cast<std::uint32_t>(n_first);
    std::size_t done = 0;
    while (done < count) {
        const auto sx = static_cast<std::int32_t>(x);
        std::uint64_t a0;
        std::uint64_t room;
        int dir;
        if (sx >= 0) {
            a0 = static_cast<std::uint64_t>(sx);
            room = (1ull << 31) - a0;  // up to 2^31 - 1
            dir = 1;
        } else {
            a0 = 0ull - static_cast<std::uint64_t>(static_cast<std::int64_t>(sx));
            room = a0;  // down to 1
            dir = -1;
        }
        const std::size_t len = count - done < room ? count - done : static_cast<std::size_t>(room);
        run_segment(kernel, a0, dir, buf + done, len, other, summed, sum);
        done += len;
        x += static_cast<std::uint32_t>(len);
    }
    return sum;
}

}  // namespace tarnvold
