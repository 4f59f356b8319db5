// Internals of the fast position key stream, shared by its kernels, the
// verification program, the benchmarks and the tests.
//
// The processor's sine instruction reduces its argument by a 66-bit pi,
// P / 2^66 with P = 0xC90FDAA22168C234C.  For x^2 * 2^66 = q * P + R the
// instruction gives (-1)^q * sin(R / 2^66), so the key byte follows from the
// residue M = x^2 * 2^66 mod 2P (M >= P exactly when q is odd).  Consecutive
// positions differ by one, so M is carried from byte to byte by exact
// additions instead of a division per byte.
#pragma once

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
void level1_xor_fast_with(FastKernel kernel, std::int32_t seed, std::int32_t n_first,
                          std::uint8_t* buf, std::size_t count);

namespace detail {

// The residues are below 2P < 2^69.  A residue is handed to the kernels as
// two doubles that hold it exactly: hi = (M >> 34) * 2^-32 and
// lo = (M mod 2^34) * 2^-66, so that hi + lo = M / 2^66, the angle.
inline constexpr int kLowBits = 34;
inline constexpr std::size_t kGroup = 32;  // bytes per kernel step

// Lane i of a kernel step handles byte i of each 32-byte group.  Lane i holds
// the residue of its current position (m) and the amount that takes it to its
// position 32 bytes on (d); every step adds the common amount e to each d.
struct KeyLanes {
    alignas(32) double m_hi[kGroup];
    alignas(32) double m_lo[kGroup];
    alignas(32) double d_hi[kGroup];
    alignas(32) double d_lo[kGroup];
    double e_hi;
    double e_lo;
};

// XOR `groups` * 32 key bytes into buf.  The lanes are consumed.
void level1_kernel_portable(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
#if defined(__x86_64__) || defined(__i386__)
void level1_kernel_avx2(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
void level1_kernel_avx512(KeyLanes& lanes, std::uint8_t* buf, std::size_t groups);
#endif

// sin(r) for |r| <= pi/2 (and a little beyond): the odd Taylor polynomial of
// degree 19.  Its truncation error is below 3e-16 on that range and its
// rounding error a few units of 1e-16, far under what the key byte's rounding
// could notice.
double sine_poly(double r);

// Constants of the reduction, exact where they have to be.
inline constexpr double kPi1 = 0x1.921fb548p+1;            // pi to 30 bits: j * kPi1 is exact
inline constexpr double kPi2 = -0x1.de973dcb3b39ap-30;     // pi - kPi1
inline constexpr double kInvPi = 0x1.45f306dc9c883p-2;     // 1 / pi
inline constexpr double kInv2Pi = 0x1.45f306dc9c883p-3;    // 1 / (2 pi)
inline constexpr double kTwoPHi = 0x6487ed511p-32;          // (2P >> 34) * 2^-32
inline constexpr double kTwoPLo = 0x2d184698p-66;           // (2P mod 2^34) * 2^-66
inline constexpr double kRoundMagic = 0x1.8p52;            // x + magic - magic: x rounded half-even

inline constexpr double kSinCoeff[9] = {
    -0x1.5555555555555p-3,  // -1/3!
    0x1.1111111111111p-7,   // 1/5!
    -0x1.a01a01a01a01ap-13, // -1/7!
    0x1.71de3a556c734p-19,  // 1/9!
    -0x1.ae64567f544e4p-26, // -1/11!
    0x1.6124613a86d09p-33,  // 1/13!
    -0x1.ae7f3e733b81fp-41, // -1/15!
    0x1.952c77030ad4ap-49,  // 1/17!
    -0x1.2f49b46814157p-57, // -1/19!
};

}  // namespace detail
}  // namespace tarnvold
