#include "coded_format.h"

#include <cstring>

#include "keystream.h"

namespace tarnvold {
namespace {
constexpr char kSignature[] = "Tarnvold";
}

std::array<std::uint8_t, kHeaderSize> coded_header::to_bytes() const {
    std::array<std::uint8_t, kHeaderSize> b{};
    b[0] = 8;
    std::memcpy(&b[1], kSignature, 8);
    b[9] = version_major;
    b[10] = version_minor;
    const auto c = static_cast<std::uint64_t>(crc);
    for (int i = 0; i < 8; ++i) b[16 + i] = static_cast<std::uint8_t>(c >> (8 * i));
    b[24] = static_cast<std::uint8_t>(data_offset & 0xFF);
    b[25] = static_cast<std::uint8_t>(data_offset >> 8);
    return b;
}

coded_header coded_header::from_bytes(const std::uint8_t* b) {
    coded_header h;
    // The signature is a counted text: its length byte and as many characters
    // as it gives must read 8 and "Tarnvold".
    h.signature_ok = b[0] == 8 && std::memcmp(&b[1], kSignature, 8) == 0;
    h.version_major = b[9];
    h.version_minor = b[10];
    std::uint64_t c = 0;
    for (int i = 0; i < 8; ++i) c |= static_cast<std::uint64_t>(b[16 + i]) << (8 * i);
    h.crc = static_cast<std::int64_t>(c);
    h.data_offset = static_cast<std::uint16_t>(b[24] | (b[25] << 8));
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
