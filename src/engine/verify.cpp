// Checking a password against a coded file without writing anything.
#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "checksum.h"
#include "coded_format.h"
#include "engine.h"
#include "file_io.h"
#include "messages.h"

namespace tarnvold {

Outcome Engine::test_file(const std::string& source, std::string_view password) {
    ui_.log_line(ui_.message(msg::kStartingDecode), source);
    InputFile in(source);
    const std::int64_t size = in.size();
    std::uint8_t header_bytes[kHeaderSize];
    in.read_exact(header_bytes, sizeof header_bytes);
    const coded_header header = coded_header::from_bytes(header_bytes);
    if (!header.signature_ok) {
        ui_.log_line(ui_.message(msg::kNotCodedFile));
        return Outcome::NotCoded;
    }
    const std::int64_t payload = size - (static_cast<std::int64_t>(header.data_offset) + 4);
    if (payload < 0) throw IoError(source, IoError::kEndOfFile);
    if (payload > kMaxOriginalSize) {
        ui_.log_line(refusal_too_large(source));
        return Outcome::Refused;
    }

    in.seek(size - 4);
    std::uint8_t seed_bytes[4];
    in.read_exact(seed_bytes, sizeof seed_bytes);
    const auto seed = static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(seed_bytes[0]) << 24) | (static_cast<std::uint32_t>(seed_bytes[1]) << 16) |
        (static_cast<std::uint32_t>(seed_bytes[2]) << 8) | static_cast<std::uint32_t>(seed_bytes[3]));

    std::unique_ptr<std::uint8_t[]> buffer;
    try {
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    } catch (const std::bad_alloc&) {
        throw IoError(source, ENOMEM);
    }
    in.seek(header.data_offset);
    PasswordStream level2(password);
    std::uint64_t sum = 0;
    std::int64_t position = 0;
    while (position < payload) {
        const auto block =
            static_cast<std::size_t>(std::min<std::int64_t>(payload - position, static_cast<std::int64_t>(kBlockSize)));
        in.read_exact(buffer.get(), block);
        level2.xor_into(buffer.get(), block);
        level1_xor(seed, static_cast<std::int32_t>(position + 1), buffer.get(), block);
        sum += byte_sum(buffer.get(), block);
        position += static_cast<std::int64_t>(block);
        ui_.process_events();
    }
    in.close();

    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.log_line(ui_.message(msg::kCrc), static_cast<std::int64_t>(sum));
    if (static_cast<std::int64_t>(sum) != header.crc) {
        ui_.log_line(ui_.message(msg::kCrcMismatch));
        return Outcome::CrcMismatch;
    }
    ui_.log_line("Password matches the stored checksum: " + source);
    return Outcome::Done;
}

}  // namespace tarnvold
