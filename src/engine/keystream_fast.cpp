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
// by side, each advancing 32 positions per step.
#include "keystream_fast.h"

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>

#include "keystream.h"

namespace tarnvold {
namespace {

__extension__ typedef unsigned __int128 u128;

constexpr u128 kP = (static_cast<u128>(0xCu) << 64) | 0x90FDAA22168C234Cull;
constexpr u128 k2P = kP * 2;
constexpr u128 kHalfP = kP / 2;  // P is even

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

// The key byte of the residue M (< 2P).
std::uint8_t key_of_residue(u128 m) {
    const bool odd = m >= kP;
    u128 r = odd ? m - kP : m;
    if (r > kHalfP) r = kP - r;  // sin(pi' - t) = sin(t); pi' is within 1e-20 of pi
    const double t = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(r >> detail::kLowBits)), -32) +
                     std::ldexp(static_cast<double>(static_cast<std::uint64_t>(r) & ((1ull << detail::kLowBits) - 1)), -66);
    double s = detail::sine_poly(t);
    if (odd) s = -s;
    return static_cast<std::uint8_t>(static_cast<int>(std::nearbyint(125.0 * s + 125.0)));
}

void split(u128 v, double& hi, double& lo) {
    hi = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(v >> detail::kLowBits)), -32);
    lo = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(v) & ((1ull << detail::kLowBits) - 1)), -66);
}

bool cpu_has_avx2() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

bool cpu_has_avx512() {
#if defined(__x86_64__) || defined(__i386__)
    return cpu_has_avx2() && __builtin_cpu_supports("avx512f");
#else
    return false;
#endif
}

FastKernel best_kernel() {
    if (cpu_has_avx512()) return FastKernel::Avx512;
    return cpu_has_avx2() ? FastKernel::Avx2 : FastKernel::Portable;
}

std::atomic<FastKernel> g_kernel{best_kernel()};

// Positions a0, a0 + dir, a0 + 2 dir, ... (|x| of consecutive bytes, all on
// one side of zero and without the 32-bit wrap), `count` of them.
void run_segment([[maybe_unused]] FastKernel kernel, std::uint64_t a0, int dir, std::uint8_t* buf, std::size_t count) {
    constexpr std::size_t S = detail::kGroup;
    const std::size_t groups = count / S;
    std::uint64_t a = a0;
    if (groups > 0) {
        detail::KeyLanes lanes;
        // Lane o starts at a0 + dir * o, walked there one position at a time.
        u128 m = square_residue(a0);
        u128 unit = signed_times_2_66(2 * dir * static_cast<std::int64_t>(a0) + 1);
        // The lane's amount to its next position, a + dir * S:
        // (2 dir S a + S^2) * 2^66, which grows by 2 S * 2^66 from lane to lane.
        u128 d = signed_times_2_66(2 * dir * static_cast<std::int64_t>(S) * static_cast<std::int64_t>(a0) +
                                   static_cast<std::int64_t>(S * S));
        const u128 d_step = times_2_66(2 * S);
        for (std::size_t o = 0; o < S; ++o) {
            split(m, lanes.m_hi[o], lanes.m_lo[o]);
            split(d, lanes.d_hi[o], lanes.d_lo[o]);
            m = add_mod(m, unit);
            unit = add_mod(unit, kTwo2_66);
            d = add_mod(d, d_step);
        }
        split(times_2_66(2 * S * S), lanes.e_hi, lanes.e_lo);

#if defined(__x86_64__) || defined(__i386__)
        if (kernel == FastKernel::Avx512)
            detail::level1_kernel_avx512(lanes, buf, groups);
        else if (kernel == FastKernel::Avx2)
            detail::level1_kernel_avx2(lanes, buf, groups);
        else
#endif
            detail::level1_kernel_portable(lanes, buf, groups);
        const std::uint64_t moved = groups * S;
        a = dir > 0 ? a0 + moved : a0 - moved;
    }
    // The rest, one exact step at a time.
    u128 m = square_residue(a);
    u128 unit = signed_times_2_66(2 * dir * static_cast<std::int64_t>(a) + 1);
    for (std::size_t i = groups * S; i < count; ++i) {
        buf[i] ^= key_of_residue(m);
        m = add_mod(m, unit);
        unit = add_mod(unit, kTwo2_66);
    }
}

}  // namespace

namespace detail {

double sine_poly(double r) {
    const double r2 = r * r;
    double p = kSinCoeff[8];
    p = p * r2 + kSinCoeff[7];
    p = p * r2 + kSinCoeff[6];
    p = p * r2 + kSinCoeff[5];
    p = p * r2 + kSinCoeff[4];
    p = p * r2 + kSinCoeff[3];
    p = p * r2 + kSinCoeff[2];
    p = p * r2 + kSinCoeff[1];
    p = p * r2 + kSinCoeff[0];
    return r + (r * r2) * p;
}

// The same computation as the AVX2 kernel, one lane at a time, in plain
// double arithmetic.  Every step that has to be exact is exact without fused
// multiply-add: the products j * kPi1, q * kTwoPHi, q * kTwoPLo and c * 2^-32
// all fit in a double's significand.
void level1_kernel_portable(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups) {
    std::size_t done = 0;
    while (done < groups) {
        // The low parts drift as residues are added and reduced; bringing
        // them back below 2^-32 every 32 steps keeps them far inside a
        // double's exact range.
        const std::size_t run = groups - done < 32 ? groups - done : 32;
        for (std::size_t g = 0; g < run; ++g) {
            // The lanes are independent: computed into a local array first
            // (the output bytes could alias anything) so that the compiler
            // can run them side by side.
            alignas(32) double key[kGroup];
            for (std::size_t o = 0; o < kGroup; ++o) {
                const double hi = lanes.m_hi[o];
                const double j = to_double_round(hi * kInvPi);
                double r = hi - j * kPi1;
                r = r + lanes.m_lo[o];
                r = r - j * kPi2;
                double s = sine_poly(r);
                // sin(r + j pi) = (-1)^j sin(r); j / 2 is off a whole
                // number by 1/2 exactly when j is odd.
                const double half = j * 0.5;
                s *= 1.0 - 4.0 * std::fabs(half - to_double_round(half));
                key[o] = to_double_round(125.0 * s + 125.0);
                lanes.m_hi[o] += lanes.d_hi[o];
                lanes.m_lo[o] += lanes.d_lo[o];
                lanes.d_hi[o] += lanes.e_hi;
                lanes.d_lo[o] += lanes.e_lo;
            }
            std::uint8_t* out = buf + (done + g) * kGroup;
            for (std::size_t o = 0; o < kGroup; ++o) out[o] ^= static_cast<std::uint8_t>(static_cast<int>(key[o]));
            if ((g & 15) == 15) {
                // Take whole multiples of 2P back off (any near multiple will
                // do: the sine does not see them).
                for (std::size_t o = 0; o < kGroup; ++o) {
                    const double q = to_double_round(lanes.m_hi[o] * kInv2Pi);
                    lanes.m_hi[o] -= q * kTwoPHi;
                    lanes.m_lo[o] -= q * kTwoPLo;
                    const double qd = to_double_round(lanes.d_hi[o] * kInv2Pi);
                    lanes.d_hi[o] -= qd * kTwoPHi;
                    lanes.d_lo[o] -= qd * kTwoPLo;
                }
            }
        }
        for (std::size_t o = 0; o < kGroup; ++o) {
            const double c = to_double_round(lanes.m_lo[o] * 0x1p32);
            lanes.m_lo[o] -= c * 0x1p-32;
            lanes.m_hi[o] += c * 0x1p-32;
            const double cd = to_double_round(lanes.d_lo[o] * 0x1p32);
            lanes.d_lo[o] -= cd * 0x1p-32;
            lanes.d_hi[o] += cd * 0x1p-32;
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
    const std::uint64_t a = x < 0 ? 0ull - static_cast<std::uint64_t>(static_cast<std::int64_t>(x))
                                  : static_cast<std::uint64_t>(x);
    return key_of_residue(square_residue(a));
}

void level1_xor_fast(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                     std::size_t count) {
    level1_xor_fast_with(g_kernel.load(std::memory_order_relaxed), seed, n_first, buf, count);
}

void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first,
                          std::uint8_t* buf, std::size_t count) {
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
        run_segment(kernel, a0, dir, buf + done, len);
        done += len;
        x += static_cast<std::uint32_t>(len);
    }
}

}  // namespace tarnvold
