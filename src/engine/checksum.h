// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnvold {

// The sum of the byte values, each 0..255.
std::uint64_t checksum(const std::uint8_t* data, std::size_t count);
// The same without processor-specific instructions (for tests).
std::uint64_t checksum_portable(const std::uint8_t* data, std::size_t count);

}  // namespace tarnvold
