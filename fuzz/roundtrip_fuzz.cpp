// SPDX-License-Identifier: GPL-3.0-or-later
// Coding arbitrary contents with an arbitrary password and seed, then
// decoding them: the coded file has the documented shape, decoding gives the
// contents back byte for byte with a matching checksum, and the password
// check agrees.  Where the processor has the x87 unit, one side runs the
// reference key stream and the other the fast one, so any difference
// between the two shows as a mismatch.
//
// Input: 4 bytes of generator state, 2 bytes of password length (taken
// modulo 600, so passwords past 255 bytes occur), the password, the contents.
#include "fuzz_support.h"

#include "engine/coded_format.h"
#include "engine/engine.h"
#include "engine/keystream.h"
#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnvold;
    if (size < 6) return 0;
    const std::uint32_t state = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                                (static_cast<std::uint32_t>(data[2]) << 16) |
                                (static_cast<std::uint32_t>(data[3]) << 24);
    std::size_t password_length = (static_cast<std::size_t>(data[4]) | (static_cast<std::size_t>(data[5]) << 8)) % 600;
    data += 6;
    size -= 6;
    if (password_length > size) password_length = size;
    const std::string password(reinterpret_cast<const char*>(data), password_length);
    const std::vector<std::uint8_t> original(data + password_length, data + size);

    const fuzz::ScratchDir& dir = fuzz::ScratchDir::get();
    dir.clear();
    const std::string plain = dir.file("plain");
    const std::string coded = dir.file("plain.cod");
    const std::string restored = dir.file("restored");
    fuzz::write_file(plain, original.data(), original.size());

    const bool x87 = x87_available();
    const bool reference_first = (state & 1u) != 0;
    fuzz::QuietUi ui;
    Engine engine(ui);
    engine.seeds().set_state(state);
    SeedGenerator expected_seeds;
    expected_seeds.set_state(state);
    const std::int32_t seed = expected_seeds.next_seed();

    if (x87) set_key_backend(reference_first ? KeyBackend::X87 : KeyBackend::Fast);
    FUZZ_CHECK(engine.codefile(plain, coded, password) == Outcome::Done);

    const std::vector<std::uint8_t> c = fuzz::read_file(coded);
    FUZZ_CHECK(c.size() == original.size() + kCodedOverhead);
    const coded_header h = coded_header::from_bytes(c.data());
    FUZZ_CHECK(h.signature_ok && h.version_major == 1 && h.version_minor == 5);
    FUZZ_CHECK(h.data_offset == kDataOffset && c[32] == 0 && c[33] == 0);
    FUZZ_CHECK(h.crc == fuzz::byte_sum_of(original.data(), original.size()));
    const auto useed = static_cast<std::uint32_t>(seed);
    const std::uint8_t tail[4] = {static_cast<std::uint8_t>(useed >> 24), static_cast<std::uint8_t>(useed >> 16),
                                  static_cast<std::uint8_t>(useed >> 8), static_cast<std::uint8_t>(useed)};
    FUZZ_CHECK(std::memcmp(c.data() + c.size() - 4, tail, 4) == 0, "seed " + std::to_string(seed));

    if (x87) set_key_backend(reference_first ? KeyBackend::Fast : KeyBackend::X87);
    FUZZ_CHECK(engine.decodefile(coded, restored, password) == Outcome::Done,
               "seed " + std::to_string(seed) + ", " + std::to_string(original.size()) + " bytes");
    FUZZ_CHECK(fuzz::read_file(restored) == original);
    FUZZ_CHECK(engine.test_file(coded, password) == Outcome::Done);
    FUZZ_CHECK(ui.questions == 0 && ui.notices == 0);
    return 0;
}
