// The position key stream without the x87 unit.
//
// FSIN reduces its argument by its internal 66-bit pi, P / 2^66 with
// P = 0xC90FDAA22168C234C.  Doing that reduction exactly in integers, with
// x^2 * 2^66 = q * P + R, the instruction's sine is (-1)^q * sin(R / 2^66)
// to far better than any rounding of the key byte can see, so a plain double
// sine of the reduced argument gives the same key bytes on every processor.
#include "keystream.h"

#include <cmath>

namespace tarnvold {
namespace {

__extension__ typedef unsigned __int128 u128;

constexpr u128 kPi66 = (static_cast<u128>(0xCu) << 64) | 0x90FDAA22168C234Cull;

inline std::uint8_t key_from_reduced(bool odd, u128 r) {
    const double angle = std::ldexp(static_cast<double>(r), -66);
    double s = std::sin(angle);
    if (odd) s = -s;
    return static_cast<std::uint8_t>(static_cast<int>(std::nearbyint(125.0 * (1.0 + s))));
}

}  // namespace

std::uint8_t level1_key_fast(std::int32_t x) {
    const std::uint64_t ax = x < 0 ? 0ull - static_cast<std::uint64_t>(static_cast<std::int64_t>(x))
                                   : static_cast<std::uint64_t>(x);
    if (ax == (1ull << 31)) {
        // x^2 * 2^66 = 2^128 does not fit: reduce 2^127 and double it.
        const u128 half = static_cast<u128>(1) << 127;
        const u128 q1 = half / kPi66;
        u128 r = (half % kPi66) * 2;
        bool odd = false;  // 2 * q1 is even
        if (r >= kPi66) {
            r -= kPi66;
            odd = true;
        }
        (void)q1;
        return key_from_reduced(odd, r);
    }
    const u128 n = static_cast<u128>(ax * ax) << 66;
    const u128 q = n / kPi66;
    return key_from_reduced((q & 1u) != 0, n - q * kPi66);
}

void level1_xor_fast(std::int32_t seed, std::int32_t n_first, std::uint8_t* buf,
                     std::size_t count) {
    std::uint32_t x = static_cast<std::uint32_t>(seed) + static_cast<std::uint32_t>(n_first);
    for (std::size_t i = 0; i < count; ++i, ++x)
        buf[i] ^= level1_key_fast(static_cast<std::int32_t>(x));
}

}  // namespace tarnvold
