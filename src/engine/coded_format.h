// SPDX-License-Identifier: GPL-3.0-or-later
// The coded-file layout: a 32-byte header, two zero bytes, the coded payload
// and the seed, most significant byte first.  A coded file is always exactly
// 38 bytes longer than its original.
#pragma once

#include <array>
#include <cstdint>

namespace tarnvold {

inline constexpr std::size_t kHeaderSize = 32;
// Where the header's fields stand: the signature (a length byte, 8, and
// "Tarnvold") at 0, then these; integers least significant byte first.
inline constexpr std::size_t kVersionMajorAt = 9;
inline constexpr std::size_t kVersionMinorAt = 10;
inline constexpr std::size_t kCrcAt = 16;         // 8 bytes
inline constexpr std::size_t kDataOffsetAt = 24;  // 2 bytes
inline constexpr std::uint16_t kDataOffset = 34;
inline constexpr std::size_t kSeedSize = 4;
inline constexpr std::size_t kCodedOverhead = kDataOffset + kSeedSize;  // 38
// The format version written into every coded file: fixed, whatever version
// the program itself has.
inline constexpr std::uint8_t kFormatVersionMajor = 1;
inline constexpr std::uint8_t kFormatVersionMinor = 5;
inline constexpr std::int64_t kMaxOriginalSize = 2147483647;  // sizes are 32-bit signed
inline constexpr std::size_t kBlockSize = 10485760;           // 10 MiB

struct coded_header {
    std::uint8_t version_major = kFormatVersionMajor;
    std::uint8_t version_minor = kFormatVersionMinor;
    std::int64_t crc = 0;
    std::uint16_t data_offset = kDataOffset;
    bool signature_ok = true;  // bytes 0..8 are 08 "Tarnvold"

    std::array<std::uint8_t, kHeaderSize> to_bytes() const;
    static coded_header from_bytes(const std::uint8_t* bytes);

    // The payload's length in a coded file of `file_size` bytes: whatever
    // lies between data_offset and the 4-byte seed (negative when the file is
    // too short for its own header).
    std::int64_t payload_length(std::int64_t file_size) const {
        return file_size - (static_cast<std::int64_t>(data_offset) + static_cast<std::int64_t>(kSeedSize));
    }

    // True when the file was written in a newer format version than ours.
    bool newer_than_ours() const {
        return version_major > kFormatVersionMajor ||
               (version_major == kFormatVersionMajor && version_minor > kFormatVersionMinor);
    }
};

// The seed as it is stored after the payload: its bytes in reverse order
// (swap32), so the most significant byte comes first.
std::array<std::uint8_t, kSeedSize> stored_seed(std::int32_t seed);
std::int32_t seed_from_stored(const std::uint8_t* bytes);

}  // namespace tarnvold
