// SPDX-License-Identifier: GPL-3.0-or-later
// The 32-byte coded-file header: any bytes are read without harm, and what
// is read is exactly what the bytes say.
#include "fuzz_support.h"

#include "engine/coded_format.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnvold;
    // The reader always gets a whole header; shorter inputs are padded.
    std::uint8_t b[kHeaderSize] = {};
    std::memcpy(b, data, size < kHeaderSize ? size : kHeaderSize);

    const coded_header h = coded_header::from_bytes(b);

    const bool signature = b[0] == 8 && std::memcmp(b + 1, "Tarnvold", 8) == 0;
    FUZZ_CHECK(h.signature_ok == signature);
    FUZZ_CHECK(h.version_major == b[9] && h.version_minor == b[10]);
    FUZZ_CHECK(h.data_offset == (b[24] | (b[25] << 8)));
    FUZZ_CHECK(h.newer_than_ours() == (b[9] > 1 || (b[9] == 1 && b[10] > 5)));

    // Writing the header back gives the same significant bytes, with the
    // signature restored and the reserved ones zero.
    const auto again = h.to_bytes();
    FUZZ_CHECK(again[0] == 8 && std::memcmp(&again[1], "Tarnvold", 8) == 0);
    for (std::size_t i = 9; i < kHeaderSize; ++i) {
        const bool reserved = (i >= 11 && i < 16) || i >= 26;
        FUZZ_CHECK(again[i] == (reserved ? 0 : b[i]), "byte " + std::to_string(i));
    }
    const coded_header back = coded_header::from_bytes(again.data());
    FUZZ_CHECK(back.signature_ok && back.crc == h.crc && back.data_offset == h.data_offset);
    return 0;
}
