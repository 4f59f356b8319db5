// SPDX-License-Identifier: GPL-3.0-or-later
// Internals of the fast position key stream, shared by its kernels, the
// verification program, the benchmarks and the tests.
//
// The processor's sine instruction reduces its argument by a 66-bit pi,
// P / 2^66 with P = 0xC90FDAA22168C234C.  For x^2 * 2^66 = q * P + R the
// instruction gives (-1)^q * sin(R / 2^66), so the key byte follows from the
// residue M = x^2 * 2^66 mod 2P (M >= P exactly when q is odd).  Consecutive
// positions differ by one, so M is carried from byte to byte by additions
// instead of a division per byte: exactly in integers to set the kernels up,
// and as M / P in pairs of doubles inside them.
#pragma once

#include "engine/keystream.h"

#include <cstddef>
#include <cstdint>

namespace tarnvold {

// Which implementation of the fast stream runs.  Both give the same bytes.
enum class FastKernel { Portable, Avx2, Avx512 };

bool fast_kernel_available(FastKernel kernel);
// Chooses the kernel (for the verification program and the benchmarks); a
// kernel the processor lacks falls back to Portable.  By default the best one
// available is used.
void set_fast_kernel(FastKernel kernel);
FastKernel fast_kernel();

// level1_xor_fast with a given kernel, whatever set_fast_kernel chose (the
// kernel must be available).
void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                          std::size_t count);
// The same, combined with another key stream (see level1_xor_with).
void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                          std::size_t count, RepeatingKey other);
// The same, adding up the bytes given or left (see level1_xor_with_sum).
std::uint64_t level1_xor_fast_with_sum(FastKernel kernel, std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                                       std::size_t count, RepeatingKey other, KeyedSum summed);

namespace detail {

// The kernels work in half turns: u = M / P, so that u in [0, 2) is the
// angle M / 2^66 divided by pi' = P / 2^66 (which is pi to 1e-20), the sine
// is sin(pi u), and reducing by 2P is taking 2 off u.  u is not a dyadic
// number, so it is carried as a pair: hi on a grid of 2^-40 (additions of
// two such values are exact while they stay below 2^13) and lo, a double
// below 2^-30 holding the rest (moved into hi every 32 steps).  Each addition
// to lo rounds by at most 2^-83, so a run of up to kMaxGroups steps, where the
// roundings of d add up in u, ends within 1e-17 of the true u: far from the
// 2.8e-13 the key byte's rounding could notice.
inline constexpr int kGridBits = 40;
inline constexpr double kGrid = 0x1p-40;
inline constexpr double kInvGrid = 0x1p40;
inline constexpr std::size_t kGroup = 32;         // bytes per kernel step
inline constexpr std::size_t kMaxGroups = 65536;  // steps from one set of lanes

// Lane i of a kernel step handles byte i of each 32-byte group.  Lane i holds
// the half turns of its current position (u) and the amount that takes it to
// its position 32 bytes on (d); every step adds the common amount e to each d.
struct KeyLanes {
    alignas(64) double u_hi[kGroup];
    alignas(64) double u_lo[kGroup];
    alignas(64) double d_hi[kGroup];
    alignas(64) double d_lo[kGroup];
    double e_hi;
    double e_lo;
    // The other key stream combined in the same pass; its phase moves on.
    RepeatingKey other;
    // The byte values added to `sum` on the way.
    KeyedSum summed;
    std::uint64_t sum;
};

// Calls run.template operator()<S>() with S the lanes' KeyedSum as a
// constant, so that a kernel compiles one loop for each way of summing.
template <class Run>
void for_summing(KeyedSum summed, Run&& run) {
    switch (summed) {
    case KeyedSum::None: run.template operator()<KeyedSum::None>(); return;
    case KeyedSum::Given: run.template operator()<KeyedSum::Given>(); return;
    case KeyedSum::Left: run.template operator()<KeyedSum::Left>(); return;
    }
}

// XOR `groups` * 32 key bytes into buf, for groups <= kMaxGroups.  The lanes
// are consumed.
void level1_kernel_portable(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
#if defined(__x86_64__) || defined(__i386__)
void level1_kernel_avx2(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
void level1_kernel_avx512(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
#endif

// The key byte of f in [-1/2, 1/2] (plus what lo adds) with `odd` telling
// whether the whole half turns taken off were odd:
// round-half-even(125 + 125 sin(pi g)) with g = f or -f, computed as
// w = g * Q(f^2) + 125 + magic, where g Q(f^2) is 125 sin(pi g) to within
// 1e-11 (a polynomial of degree 13 fitted on [-1/2, 1/2]; the nearest tie is
// 1.09e-10 away).
inline constexpr double kRoundMagic = 0x1.8p52;  // x + magic - magic: x rounded half-even
// clang-format off
inline constexpr double kKeyCoeff[7] = {
    0x1.88b2f704a92aep+8,   // 125 pi, nearly
    -0x1.42fb678bfd187p+9,
    0x1.3ec53fc83adadp+8,
    -0x1.2ba1d8f8a0f41p+6,
    0x1.4894450ddc484p+3,
    -0x1.d74bdd9b93551p-1,
    0x1.ca3b5d7797026p-5,
};
// clang-format on

// Q(f^2), the polynomial above.
inline double key_quotient(double f2) {
    double q = kKeyCoeff[6];
    for (int i = 5; i >= 0; --i) q = q * f2 + kKeyCoeff[i];
    return q;
}
// 125 sin(pi f) = f Q(f^2), for the tests.
double key_sine(double f);

}  // namespace detail
}  // namespace tarnvold
