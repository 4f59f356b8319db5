// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/coded_format.h"

#include "engine/keystream.h"

#include <cstring>

namespace tarnvold {
namespace {
constexpr char kSignature[] = "Tarnvold";
}

std::array<std::uint8_t, kHeaderSize> coded_header::to_bytes() const {
    std::array<std::uint8_t, kHeaderSize> b{};
    b[0] = 8;
    std::memcpy(&b[1], kSignature, 8);
    b[kVersionMajorAt] = version_major;
    b[kVersionMinorAt] = version_minor;
    const auto c = static_cast<std::uint64_t>(crc);
    for (std::size_t i = 0; i < 8; ++i) b[kCrcAt + i] = static_cast<std::uint8_t>(c >> (8 * i));
    b[kDataOffsetAt] = static_cast<std::uint8_t>(data_offset & 0xFF);
    b[kDataOffsetAt + 1] = static_cast<std::uint8_t>(data_offset >> 8);
    return b;
}

coded_header coded_header::from_bytes(const std::uint8_t* b) {
    coded_header h;
    // The signature is a counted text: its length byte and as many characters
    // as it gives must read 8 and "Tarnvold".
    h.signature_ok = b[0] == 8 && std::memcmp(&b[1], kSignature, 8) == 0;
    h.version_major = b[kVersionMajorAt];
    h.version_minor = b[kVersionMinorAt];
    std::uint64_t c = 0;
    for (std::size_t i = 0; i < 8; ++i) c |= static_cast<std::uint64_t>(b[kCrcAt + i]) << (8 * i);
    h.crc = static_cast<std::int64_t>(c);
    h.data_offset = static_cast<std::uint16_t>(b[kDataOffsetAt] | (b[kDataOffsetAt + 1] << 8));
    return h;
}

std::array<std::uint8_t, kSeedSize> stored_seed(std::int32_t seed) {
    const std::uint32_t stored = swap32(static_cast<std::uint32_t>(seed));
    return {static_cast<std::uint8_t>(stored), static_cast<std::uint8_t>(stored >> 8),
            static_cast<std::uint8_t>(stored >> 16), static_cast<std::uint8_t>(stored >> 24)};
}

std::int32_t seed_from_stored(const std::uint8_t* bytes) {
    const std::uint32_t raw = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                              (static_cast<std::uint32_t>(bytes[2]) << 16) |
                              (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(swap32(raw));
}

}  // namespace tarnvold
