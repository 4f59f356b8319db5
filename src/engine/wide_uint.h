// SPDX-License-Identifier: GPL-3.0-or-later
// Unsigned 128-bit integers for the exact residues of the fast position key
// stream: the compiler's own type where it has one, two 64-bit limbs where
// it has none (32-bit targets).  Building with TARNVOLD_TWO_LIMB_U128 uses
// the limbs everywhere, so that they can be checked against the native type.
#pragma once

#include <bit>
#include <cmath>
#include <compare>
#include <cstdint>

namespace tarnvold::detail {

// Wrap-around arithmetic modulo 2^128, as the native type has it.  Division
// goes bit by bit: it only sets up runs of key bytes, never runs per byte.
class TwoLimbU128 {
public:
    constexpr TwoLimbU128() = default;
    constexpr TwoLimbU128(std::uint64_t low) : lo_(low) {}  // NOLINT: converts like an integer
    constexpr TwoLimbU128(std::uint64_t high, std::uint64_t low) : hi_(high), lo_(low) {}

    constexpr std::uint64_t high() const { return hi_; }
    constexpr std::uint64_t low() const { return lo_; }
    explicit constexpr operator std::uint64_t() const { return lo_; }
    explicit constexpr operator bool() const { return (hi_ | lo_) != 0; }
    // Rounded to nearest, as the native conversion rounds.
    explicit operator double() const;

    friend constexpr bool operator==(const TwoLimbU128&, const TwoLimbU128&) = default;
    friend constexpr std::strong_ordering operator<=>(const TwoLimbU128& a, const TwoLimbU128& b) {
        if (a.hi_ != b.hi_) return a.hi_ <=> b.hi_;
        return a.lo_ <=> b.lo_;
    }

    friend constexpr TwoLimbU128 operator+(const TwoLimbU128& a, const TwoLimbU128& b) {
        const std::uint64_t lo = a.lo_ + b.lo_;
        return {a.hi_ + b.hi_ + (lo < a.lo_ ? 1u : 0u), lo};
    }
    friend constexpr TwoLimbU128 operator-(const TwoLimbU128& a, const TwoLimbU128& b) {
        return {a.hi_ - b.hi_ - (a.lo_ < b.lo_ ? 1u : 0u), a.lo_ - b.lo_};
    }
    friend constexpr TwoLimbU128 operator*(const TwoLimbU128& a, const TwoLimbU128& b) {
        const TwoLimbU128 low = mul64(a.lo_, b.lo_);
        return {low.hi_ + a.hi_ * b.lo_ + a.lo_ * b.hi_, low.lo_};
    }
    friend constexpr TwoLimbU128 operator/(const TwoLimbU128& a, const TwoLimbU128& b) { return divide(a, b, true); }
    friend constexpr TwoLimbU128 operator%(const TwoLimbU128& a, const TwoLimbU128& b) { return divide(a, b, false); }
    friend constexpr TwoLimbU128 operator|(const TwoLimbU128& a, const TwoLimbU128& b) {
        return {a.hi_ | b.hi_, a.lo_ | b.lo_};
    }
    friend constexpr TwoLimbU128 operator&(const TwoLimbU128& a, const TwoLimbU128& b) {
        return {a.hi_ & b.hi_, a.lo_ & b.lo_};
    }
    // Shifts by 0 to 127 bits.
    friend constexpr TwoLimbU128 operator<<(const TwoLimbU128& a, int n) {
        if (n == 0) return a;
        if (n >= 64) return {a.lo_ << (n - 64), 0};
        return {(a.hi_ << n) | (a.lo_ >> (64 - n)), a.lo_ << n};
    }
    friend constexpr TwoLimbU128 operator>>(const TwoLimbU128& a, int n) {
        if (n == 0) return a;
        if (n >= 64) return {0, a.hi_ >> (n - 64)};
        return {a.hi_ >> n, (a.lo_ >> n) | (a.hi_ << (64 - n))};
    }

    constexpr TwoLimbU128& operator+=(const TwoLimbU128& b) { return *this = *this + b; }
    constexpr TwoLimbU128& operator-=(const TwoLimbU128& b) { return *this = *this - b; }

private:
    // The full 128-bit product of two 64-bit numbers, from 32-bit halves.
    static constexpr TwoLimbU128 mul64(std::uint64_t a, std::uint64_t b) {
        const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
        const std::uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
        const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
        return {p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFFu)};
    }
    static constexpr int bit_width(const TwoLimbU128& a) {
        return a.hi_ != 0 ? 128 - std::countl_zero(a.hi_) : 64 - std::countl_zero(a.lo_);
    }
    // Quotient or remainder; the divisor must not be zero.
    static constexpr TwoLimbU128 divide(const TwoLimbU128& a, const TwoLimbU128& b, bool quotient) {
        if (a.hi_ == 0 && b.hi_ == 0) return quotient ? TwoLimbU128(a.lo_ / b.lo_) : TwoLimbU128(a.lo_ % b.lo_);
        if (a < b) return quotient ? TwoLimbU128() : a;
        const int shift = bit_width(a) - bit_width(b);
        TwoLimbU128 r = a, q, d = b << shift;
        for (int i = shift; i >= 0; --i, d = d >> 1) {
            q = q << 1;
            if (r >= d) {
                r -= d;
                q.lo_ |= 1u;
            }
        }
        return quotient ? q : r;
    }

    std::uint64_t hi_ = 0;
    std::uint64_t lo_ = 0;
};

inline TwoLimbU128::operator double() const {
    if (hi_ == 0) return static_cast<double>(lo_);
    // The top 64 bits, with any bit below them kept as a sticky lowest bit
    // (far below the 53 a double keeps): one rounding, as for the whole.
    const int shift = bit_width(*this) - 64;
    const TwoLimbU128 top = *this >> shift;
    const bool rest = static_cast<bool>(*this - (top << shift));
    return std::ldexp(static_cast<double>(top.lo_ | (rest ? 1u : 0u)), shift);
}

#if defined(__SIZEOF_INT128__) && !defined(TARNVOLD_TWO_LIMB_U128)
__extension__ typedef unsigned __int128 U128;
#else
using U128 = TwoLimbU128;
#endif

}  // namespace tarnvold::detail
