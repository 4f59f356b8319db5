// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a file, and checking a password against a coded file.
#include "engine/checksum.h"
#include "engine/coded_format.h"
#include "engine/engine_parts.h"

#include "config/message_id.h"
#include "config/program_texts.h"
#include "io/file_io.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace tarnvold {

namespace {

// The seed, stored in the last 4 bytes of a coded file of `size` bytes.
std::int32_t read_seed(InputFile& in, std::int64_t size) {
    in.seek(size - static_cast<std::int64_t>(kSeedSize));
    std::uint8_t bytes[kSeedSize];
    in.read_exact(bytes, sizeof bytes);
    return seed_from_stored(bytes);
}

// The header of a coded file of `size` bytes, taken from `whole` when the
// file is already in memory.  A file shorter than the header is not a coded
// file, like one without the signature.
coded_header read_header(InputFile& in, std::int64_t size, const std::uint8_t* whole) {
    coded_header header;
    header.signature_ok = false;
    if (size < static_cast<std::int64_t>(kHeaderSize)) return header;
    std::uint8_t bytes[kHeaderSize];
    if (whole != nullptr)
        std::memcpy(bytes, whole, kHeaderSize);
    else
        in.read_exact(bytes, sizeof bytes);
    return coded_header::from_bytes(bytes);
}

}  // namespace

// A small file open already: the seed is in its last bytes, and the keys
// of a payload where this program puts it are begun at once.  Its header
// tells later whether that guess holds.
void Engine::begin_decoding_keys(const InputFile* f, std::string_view password) {
    if (f == nullptr || f->size() > kSmallFile || f->size() < static_cast<std::int64_t>(kCodedOverhead)) return;
    std::uint8_t stored[kSeedSize];
    if (!f->read_at(stored, sizeof stored, f->size() - static_cast<std::int64_t>(kSeedSize)))
        codec_.begin_keys(seed_from_stored(stored), password, static_cast<std::size_t>(f->size()) - kCodedOverhead);
}

// A password that may have coded the file in other forms is first checked
// in each of them, writing nothing: false when none matches.  `form` and,
// when it is not the one given, `matched` become the form that does.
bool Engine::find_form(InputFile& in, const coded_header& header, std::int64_t size, const std::uint8_t* whole,
                       std::string_view password, std::optional<std::string>& matched, int& form) {
    const std::int64_t payload = header.payload_length(size);
    if (payload < 0) return true;
    const std::vector<PasswordForm> forms = forms_to_try(password, password_forms);
    if (forms.size() <= 1) return true;
    const std::int32_t seed =
        whole != nullptr ? seed_from_stored(whole + size - static_cast<std::int64_t>(kSeedSize)) : read_seed(in, size);
    Steps steps(*this, true);
    const auto sums = codec_.form_sums(in, header.data_offset, payload, seed,
                                       whole != nullptr ? whole + header.data_offset : nullptr, forms, steps);
    const auto match = std::find(sums.begin(), sums.end(), static_cast<std::uint64_t>(header.crc));
    if (match == sums.end()) return false;
    const PasswordForm& found = forms[static_cast<std::size_t>(match - sums.begin())];
    form = found.code_page;
    if (found.bytes != password) matched = found.bytes;
    return true;
}

FileOutcome Engine::decodefile(const std::string& source, const std::string& destination, std::string_view password,
                               SourceKind kind, DestinationKind where, const InFolder& in_folder,
                               const InFolder& out_folder) {
    taken_as_ = 0;
    Source from(source, kind, in_folder);
    const KeysDropped drop(codec_);
    begin_decoding_keys(from.opened(), password);
    Destination to;
    if (auto outcome = open_request(Operation::Decode, from, destination, where, out_folder, to))
        return *std::move(outcome);

    ProgressRestore restore(ui_);
    InputFile& in = from.open();
    const std::int64_t size = in.size();
    show_passes(size, msg::kLevel1Decoding, msg::kLevel2Decoding, false);
    // A small file is read whole at once; a larger one piece by piece.
    std::uint8_t* whole = nullptr;
    if (size <= kSmallFile) whole = codec_.read_whole(in, static_cast<std::size_t>(size));
    const coded_header header = read_header(in, size, whole);
    if (auto outcome = check_coded(in, header, size, source)) {
        outcome->destination = destination;
        return *std::move(outcome);
    }
    std::optional<std::string> matched;
    int form = password_forms.given;
    if (!find_form(in, header, size, whole, password, matched, form)) {
        in.close();
        ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
        return unmatched(source, destination, to.exists, nullptr);
    }
    if (matched) codec_.drop_keys();
    const std::string_view key = matched ? std::string_view(*matched) : password;
    tell_form(key, form);
    std::optional<OutputFile> out;
    const auto computed = static_cast<std::int64_t>(decode_payload(in, to, header, size, whole, key, out));
    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.label_set_visible(LabelId::Checksum, true);
    // The restored file holds exactly the bytes written: their sum is its
    // checksum, shown as the checksum pass shows it.
    ui_.log_line(ui_.message(msg::kCrcCheck), destination);
    show_checksum(header.payload_length(size), computed);
    if (computed != header.crc) return unmatched(source, destination, to.exists, &out);
    commit(*out);
    finished(msg::kDecodingFinished, source, destination);
    return {Outcome::Done, source, destination, {}};
}

void Engine::commit(OutputFile& out) {
    out.commit();
    last_output_ = out.identity();
}

// The stored checksum did not match: the decoded bytes are most likely
// those of a wrong password.  A file that was there stays as it was; under
// a free name the output `out` holds, if any, is kept for the person to
// look at, and the mismatch said.
FileOutcome Engine::unmatched(const std::string& source, const std::string& destination, bool existed,
                              std::optional<OutputFile>* out) {
    ui_.log_line(ui_.message(msg::kCrcMismatch));
    Reason why{.why = Why::Message, .message = msg::kCrcMismatch};
    if (existed) {
        if (out != nullptr) out->reset();
        why = {.why = Why::KeptOnMismatch, .path = destination};
        ui_.log_reason(why);
    } else if (out != nullptr) {
        commit(**out);
    }
    ui_.notice(ui_.message(msg::kCrcMismatch));
    end_display(ui_);
    return {Outcome::ChecksumMismatch, source, destination, std::move(why)};
}

// Ends decoding before anything is written: a file that is not a coded one,
// a newer version the user does not want to try, a payload too large.
std::optional<FileOutcome> Engine::check_coded(InputFile& in, const coded_header& header, std::int64_t size,
                                               const std::string& source) {
    auto stop_early = [&] {
        in.close();
        ui_.label_set_visible(LabelId::Pass1, false);
        ui_.label_set_visible(LabelId::Pass2, false);
    };
    if (!header.signature_ok) {
        if (!batch_mode) {
            ui_.notice(ui_.message(msg::kNotCodedFile));
            ui_.log_line(ui_.message(msg::kDecodingAborted));
        }
        ui_.log_line(ui_.message(msg::kNotCodedFile));
        stop_early();
        return FileOutcome{Outcome::NotCoded, source, {}, {.why = Why::Message, .message = msg::kNotCodedFile}};
    }
    if (header.newer_than_ours() && !ui_.ask(Question::DecodeNewerVersion, source, ui_.message(msg::kNewerVersion))) {
        ui_.log_line(ui_.message(msg::kDecodingAborted));
        stop_early();
        return FileOutcome{Outcome::Declined, source, {}, {.why = Why::DeclinedNewer, .path = source}};
    }
    // The signature with less behind it than its own header says: the
    // payload would begin beyond the seed.
    if (header.payload_length(size) < 0) {
        stop_early();
        const Reason why{.why = Why::DamagedCodedFile, .path = source};
        refuse(why, msg::kDecodingAborted);
        return FileOutcome{Outcome::Refused, source, {}, why};
    }
    if (header.payload_length(size) > kMaxOriginalSize) {
        stop_early();
        const Reason why{.why = Why::TooLargeToDecode, .path = source};
        refuse(why, msg::kDecodingAborted);
        return FileOutcome{Outcome::Refused, source, {}, why};
    }
    return std::nullopt;
}

// Both passes over the payload into the destination, opened once the seed
// is read; returns the sum of the bytes written.  `whole` holds the file
// when it was read at once.
std::uint64_t Engine::decode_payload(InputFile& in, const Destination& to, const coded_header& header,
                                     std::int64_t size, std::uint8_t* whole, std::string_view password,
                                     std::optional<OutputFile>& out) {
    Steps steps(*this, false);
    const std::uint64_t sum = codec_.decode(
        in, whole, size, header.data_offset, password,
        [&]() -> OutputFile& {
            out.emplace(to);
            return *out;
        },
        steps);
    in.close();
    return sum;
}

// Checks a password against a coded file without writing anything.
FileOutcome Engine::test_file(const std::string& source, std::string_view password) {
    taken_as_ = 0;
    ui_.file_begins(source);
    ui_.log_line(ui_.message(msg::kStartingDecode), source);
    if (const SourceInfo from = inspect_source(source); from.exists && !from.regular) {
        const Reason why{.why = Why::NotRegular, .path = source};
        ui_.log_reason(why);
        return {Outcome::Refused, source, {}, why};
    }
    InputFile in(source);
    const std::int64_t size = in.size();
    const coded_header header = read_header(in, size, nullptr);
    if (!header.signature_ok) {
        ui_.log_line(ui_.message(msg::kNotCodedFile));
        return {Outcome::NotCoded, source, {}, {.why = Why::Message, .message = msg::kNotCodedFile}};
    }
    const std::int64_t payload = header.payload_length(size);
    if (payload < 0) {
        const Reason why{.why = Why::DamagedCodedFile, .path = source};
        ui_.log_reason(why);
        return {Outcome::Refused, source, {}, why};
    }
    if (payload > kMaxOriginalSize) {
        const Reason why{.why = Why::TooLargeToDecode, .path = source};
        ui_.log_reason(why);
        return {Outcome::Refused, source, {}, why};
    }

    ProgressRestore restore(ui_);
    const std::int32_t seed = read_seed(in, size);
    const std::vector<PasswordForm> forms = forms_to_try(password, password_forms);
    Steps steps(*this, true);
    const auto sums = codec_.form_sums(in, header.data_offset, payload, seed, nullptr, forms, steps);
    in.close();
    const auto match = std::find(sums.begin(), sums.end(), static_cast<std::uint64_t>(header.crc));
    const std::size_t shown = match == sums.end() ? 0 : static_cast<std::size_t>(match - sums.begin());

    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.log_line(ui_.message(msg::kCrc), static_cast<std::int64_t>(sums[shown]));
    end_display(ui_);
    if (match == sums.end()) {
        ui_.log_line(ui_.message(msg::kCrcMismatch));
        return {Outcome::ChecksumMismatch, source, {}, {.why = Why::Message, .message = msg::kCrcMismatch}};
    }
    tell_form(forms[shown].bytes, forms[shown].code_page);
    ui_.log_line(password_matches(source));
    return {Outcome::Done, source, {}, {}};
}

}  // namespace tarnvold
