// SPDX-License-Identifier: GPL-3.0-or-later
// Coding and decoding between an input and an output the caller opened.
#include "engine/codec.h"

#include "engine/checksum.h"
#include "engine/codec_parts.h"
#include "engine/coded_format.h"

#include "io/file_io.h"

#include <cstring>
#include <memory>

namespace tarnvold {
namespace {

IoError changed_while_coding(const InputFile& in) { return IoError(in.path(), IoKind::ChangedWhileCoding); }

}  // namespace

Codec::Codec() = default;
Codec::~Codec() = default;

std::int64_t Codec::code(InputFile& in, std::string_view password,
                         const std::function<Output(std::int64_t)>& checksummed, CodecProgress& progress) {
    const std::int64_t size = in.size();
    if (size < kSmallFile) return code_whole(in, password, checksummed, progress);
    drop_keys();
    return code_in_blocks(in, password, checksummed, progress);
}

// One read for the checksum and the coding: header, payload and seed are
// laid out in one buffer.  Asking for one byte more tells a file that grew
// since it was opened.
std::int64_t Codec::code_whole(InputFile& in, std::string_view password,
                               const std::function<Output(std::int64_t)>& checksummed, CodecProgress& progress) {
    const std::int64_t size = in.size();
    std::uint8_t* bytes = small_buffer();
    std::uint8_t* payload = bytes + kDataOffset;
    const auto n = static_cast<std::size_t>(size);
    // Its keys are best begun by the caller, for the seed it will give,
    // before this call: they are then made while the file is read.
    if (in.read_upto(payload, n + 1, n) != n) throw changed_while_coding(in);
    coded_header header;
    header.crc = static_cast<std::int64_t>(tarnvold::checksum(payload, n));
    progress.begins(Stage::Checksum, size);
    progress.steps(Stage::Checksum, size / step_for(size));
    const Output to = checksummed(header.crc);
    if (keys_ && keys_->count() == n)
        keys_->use_seed(to.seed);
    else
        begin_keys(to.seed, password, n);

    const auto header_bytes = header.to_bytes();
    std::memcpy(bytes, header_bytes.data(), header_bytes.size());
    std::memset(bytes + kHeaderSize, 0, kDataOffset - kHeaderSize);
    progress.pause();

    // The whole coded file goes out in one write once both passes are done.
    in_memory(payload, n, size, progress);
    drop_keys();
    const auto seed_bytes = stored_seed(to.seed);
    std::memcpy(payload + n, seed_bytes.data(), seed_bytes.size());
    to.out->write_all(bytes, kDataOffset + n + seed_bytes.size());
    return header.crc;
}

// The checksum pass, then the header and both passes block by block.
std::int64_t Codec::code_in_blocks(InputFile& in, std::string_view password,
                                   const std::function<Output(std::int64_t)>& checksummed, CodecProgress& progress) {
    const std::int64_t size = in.size();
    coded_header header;
    header.crc = checksum(in, progress);
    const Output to = checksummed(header.crc);
    OutputFile& out = *to.out;

    in.seek(0);
    const auto header_bytes = header.to_bytes();
    out.write_all(header_bytes.data(), header_bytes.size());
    const std::uint8_t gap[kDataOffset - kHeaderSize] = {};
    out.write_all(gap, sizeof gap);
    progress.pause();

    PasswordStream password_stream(password);
    // Coding applies the position key stream first, then the password's.
    Pass position{Stage::FirstPass, step_for(size), 0, position_keys(to.seed)};
    Pass by_password{Stage::SecondPass, step_for(size), 0, password_keys(password_stream)};
    const BothKeys both = both_keys(to.seed, password_stream);
    const std::uint64_t sum = run_blocks({in, out, size, position, by_password, both, SumOf::Input, progress});
    if (static_cast<std::int64_t>(sum) != header.crc || in.has_byte_at(size)) throw changed_while_coding(in);

    const auto seed_bytes = stored_seed(to.seed);
    out.write_all(seed_bytes.data(), seed_bytes.size());
    return header.crc;
}

std::uint8_t* Codec::read_whole(InputFile& in, std::size_t size) {
    std::uint8_t* whole = small_buffer();
    in.read_exact(whole, size);
    return whole;
}

// Both passes over the payload into the output; returns the sum of the
// bytes written.
std::uint64_t Codec::decode(InputFile& in, std::uint8_t* whole, std::int64_t size, std::int64_t data_offset,
                            std::string_view password, const std::function<OutputFile&()>& open,
                            CodecProgress& progress) {
    const std::int64_t payload = size - data_offset - static_cast<std::int64_t>(kSeedSize);
    std::int32_t seed;
    if (whole != nullptr) {
        seed = seed_from_stored(whole + size - static_cast<std::int64_t>(kSeedSize));
    } else {
        std::uint8_t stored[kSeedSize];
        in.seek(size - static_cast<std::int64_t>(kSeedSize));
        in.read_exact(stored, sizeof stored);
        seed = seed_from_stored(stored);
    }
    // A small payload's keys are made while the output is opened, unless
    // they are on their way already.
    if (whole == nullptr || !keys_ || !keys_->made_for(seed, static_cast<std::size_t>(payload))) drop_keys();
    if (whole != nullptr && !keys_) begin_keys(seed, password, static_cast<std::size_t>(payload));
    OutputFile& out = open();
    std::uint64_t sum = 0;
    if (whole != nullptr) {
        std::uint8_t* plain = whole + data_offset;
        const auto n = static_cast<std::size_t>(payload);
        progress.pause();
        in_memory(plain, n, size, progress);
        drop_keys();
        out.write_all(plain, n);
        sum = tarnvold::checksum(plain, n);
    } else {
        in.seek(data_offset);
        progress.pause();
        PasswordStream password_stream(password);
        // Decoding undoes them in the other order: the first pass applies the
        // password key stream, the second the position key stream.
        Pass by_password{Stage::FirstPass, step_for(size), 0, password_keys(password_stream)};
        Pass position{Stage::SecondPass, step_for(size), 0, position_keys(seed)};
        const BothKeys both = both_keys(seed, password_stream);
        sum = run_blocks({in, out, payload, by_password, position, both, SumOf::Output, progress});
    }
    return sum;
}

}  // namespace tarnvold
