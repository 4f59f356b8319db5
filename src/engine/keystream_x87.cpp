// SPDX-License-Identifier: GPL-3.0-or-later
// The reference position key stream: the processor's own FSIN on 80-bit
// operands, 64-bit significand precision, rounding to nearest.  The coded-file
// format is defined by the results of this instruction, including the way it
// reduces large arguments with its internal 66-bit value of pi.
#include "engine/keystream.h"

#include <cstdint>

#if defined(TARNVOLD_HAVE_X87)

namespace tarnvold {
namespace {

// Makes sure the x87 unit computes with a 64-bit significand and rounds to
// nearest for as long as the guard lives; the control word is per thread, so
// every computing thread sets it up for itself.
class X87Precision {
public:
    X87Precision() {
        asm volatile("fnstcw %0" : "=m"(saved_));
        const std::uint16_t wanted = static_cast<std::uint16_t>((saved_ & ~0x0F00u) | 0x0300u);  // PC=11, RC=00
        if (wanted != saved_) {
            asm volatile("fldcw %0" : : "m"(wanted));
            changed_ = true;
        }
    }
    ~X87Precision() {
        if (changed_) asm volatile("fldcw %0" : : "m"(saved_));
    }
    X87Precision(const X87Precision&) = delete;
    X87Precision& operator=(const X87Precision&) = delete;

private:
    std::uint16_t saved_ = 0;
    bool changed_ = false;
};

inline std::uint8_t key_x87(std::int32_t x) {
    const long double lx = static_cast<long double>(x);
    long double v = lx * lx;  // |x| <= 2^31: the square is exact
    long double s;
    asm("fsin" : "=t"(s) : "0"(v));
    const long double w = (s + 1.0L) * 125.0L;
    long double k;
    asm("frndint" : "=t"(k) : "0"(w));  // current rounding mode: nearest, ties to even
    return static_cast<std::uint8_t>(static_cast<int>(k));
}

}  // namespace

bool x87_available() { return true; }

std::uint8_t level1_key_x87(std::int32_t x) {
    X87Precision precision;
    return key_x87(x);
}

void level1_xor_x87(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count) {
    X87Precision precision;
    std::uint32_t x = static_cast<std::uint32_t>(seed) + static_cast<std::uint32_t>(n_first);
    for (std::size_t i = 0; i < count; ++i, ++x) buf[i] ^= key_x87(static_cast<std::int32_t>(x));
}

}  // namespace tarnvold

#else  // no x87 unit in this build

#include <cstdlib>

namespace tarnvold {

bool x87_available() { return false; }

std::uint8_t level1_key_x87(std::int32_t x) { return level1_key_fast(x); }

void level1_xor_x87(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf, std::size_t count) {
    level1_xor_fast(seed, n_first, buf, count);
}

}  // namespace tarnvold

#endif
