// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine.h"

#include "engine/checksum.h"
#include "engine/coded_format.h"
#include "engine/engine_parts.h"

#include "config/message_id.h"
#include "config/program_texts.h"
#include "io/code_pages.h"
#include "io/file_io.h"
#include "io/paths.h"
#include "io/std_streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>

namespace tarnvold {

Reason destination_problem(const Destination& destination) {
    Reason r;
    // A name the system cannot hold (Windows: a device, a final dot) is
    // refused before anything is written under it.
    if (!destination.standard_output) {
        const std::string name = destination.folder != nullptr ? destination.name : last_name(destination.path);
        if (const int refused = name_not_allowed(name); refused != 0)
            return {.why = Why::NameNotAllowed, .error = refused, .path = destination.path};
    }
    if (destination.foreign_link) {
        r.why = Why::DestinationForeignLink;
        r.path = destination.path;
        return r;
    }
    if (destination.dangling) {
        r.why = Why::DestinationDangling;
        r.path = destination.path;
        r.target = destination.target;
        return r;
    }
    if (!destination.exists) return r;
    if (destination.link) {
        r.why = Why::DestinationLink;
        r.path = destination.path;
    } else if (!destination.regular) {
        r.why = Why::DestinationNotRegular;
        r.path = destination.shown();
    } else if (destination.write_error != 0) {
        r.why = Why::CannotReplace;
        r.path = destination.shown();
        r.target = destination.target;
        r.error = destination.write_error;
    }
    return r;
}

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

IoError changed_while_coding(const std::string& source) { return IoError(source, IoError::kChangedWhileCoding); }

bool same_inode(const SourceInfo& source, const Destination& destination) {
    // Standard output may be the source itself (>> source).
    const bool written_file = destination.exists || (destination.standard_output && destination.regular);
    return source.exists && written_file && source.id == destination.id;
}

void end_display(UserInterface& ui) {
    ui.label_set_visible(LabelId::Checksum, false);
    ui.label_set_visible(LabelId::Pass1, false);
    ui.label_set_visible(LabelId::Pass2, false);
    ui.bar_set_position(ProgressBarId::Checksum, 0);
    ui.bar_set_position(ProgressBarId::Pass1, 0);
    ui.bar_set_position(ProgressBarId::Pass2, 0);
}

// Puts the per-file progress display back at rest when an operation is left
// by an error, so that nothing keeps showing a half-done state.
class ProgressRestore {
public:
    explicit ProgressRestore(UserInterface& ui) : ui_(ui), exceptions_(std::uncaught_exceptions()) {}
    ~ProgressRestore() {
        if (std::uncaught_exceptions() <= exceptions_) return;
        try {
            end_display(ui_);
        } catch (...) {
        }
    }
    ProgressRestore(const ProgressRestore&) = delete;
    ProgressRestore& operator=(const ProgressRestore&) = delete;

private:
    UserInterface& ui_;
    int exceptions_;
};

}  // namespace

void Engine::refuse(const Reason& reason, int aborted_message) {
    const std::string text = reason_text(reason);
    ui_.log_line(text);
    if (!batch_mode) ui_.refused(reason);
    ui_.log_line(ui_.message(aborted_message));
}

// The source of an operation: opened as soon as that is safe, and examined
// through its handle once it is open.  A failure to open it early is told
// where opening it is due, as if nothing had been tried before.
class Engine::Source {
public:
    Source(const std::string& path, SourceKind kind, const InFolder& in) : path_(path), in_(in) {
        if (kind != SourceKind::ListedFile && in_.folder == nullptr) return;
        try {
            emplace();
        } catch (const IoError&) {
            failure_ = std::current_exception();
        }
    }
    const std::string& path() const { return path_; }
    // The file when it is open already.
    const InputFile* opened() const { return file_ ? &*file_ : nullptr; }

    SourceInfo info() const {
        if (!file_) return inspect_source(path_);
        SourceInfo info;
        info.exists = info.regular = true;
        info.size = file_->size();
        info.id = file_->id();
        return info;
    }

    InputFile& open() {
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        if (!file_) emplace();
        return *file_;
    }

private:
    void emplace() {
        if (in_.folder != nullptr)
            file_.emplace(*in_.folder, in_.name, in_.follow_link, path_);
        else
            file_.emplace(path_);
    }

    const std::string& path_;
    const InFolder& in_;
    std::optional<InputFile> file_;
    std::exception_ptr failure_;
};

// The opening every operation on two files shares: the file's turn begins,
// whatever makes the request impossible is told before anything is asked or
// written, and an existing destination is replaced only when the user
// agrees.  Returns the outcome when the operation ends here.
std::optional<FileOutcome> Engine::open_request(Operation op, Source& source_file, const std::string& destination,
                                                DestinationKind where, const InFolder& in, Destination& to) {
    const std::string& source = source_file.path();
    const bool coding = op == Operation::Code;
    const int starting = starting_message(op);
    const int aborted = aborted_message(op);
    last_output_.reset();
    if (in.folder != nullptr) {
        to = where == DestinationKind::FreeName ? free_destination(*in.folder, in.name, destination)
                                                : inspect_destination(*in.folder, in.name, destination);
    } else if (where == DestinationKind::StandardOutput) {
        to = standard_output_destination(destination);
    } else if (where == DestinationKind::FreeName) {
        to = Destination{};
        to.path = to.target = destination;
    } else {
        to = inspect_destination(destination);
    }
    const auto ends = [&](Outcome kind, Reason why = {}) {
        return FileOutcome{kind, source, destination, std::move(why)};
    };
    if (to.exists && to.regular && keep_existing && keep_existing(to.id)) return ends(Outcome::Refused);
    ui_.file_begins(source);
    if (coding) ui_.log_line(ui_.message(starting), source);
    const SourceInfo from = source_file.info();
    Reason problem;
    // Coding names a source that is not a regular file before a source that
    // is the destination; decoding the other way round.
    if (coding && from.exists && !from.regular)
        problem = {.why = Why::NotRegular, .path = source};
    else if (same_inode(from, to))
        problem = {.why = Why::SameFile, .path = destination};
    else if (from.exists && !from.regular)
        problem = {.why = Why::NotRegular, .path = source};
    else if (coding && from.exists && from.size > kMaxOriginalSize)
        problem = {.why = Why::TooLarge, .path = source};
    else
        problem = destination_problem(to);
    if (problem.why != Why::None) {
        if (!coding) ui_.log_line(ui_.message(starting), source);
        refuse(problem, aborted);
        return ends(Outcome::Refused, std::move(problem));
    }
    if (to.exists && !ui_.ask(Question::ReplaceDestination, ui_.message(msg::kFileExists))) {
        ui_.log_line(ui_.message(aborted));
        return ends(Outcome::Declined, {.why = Why::DeclinedReplace, .path = destination});
    }
    if (!coding) ui_.log_line(ui_.message(starting), source);
    return std::nullopt;
}

// The captions and ranges of both passes' bars for a file of `size` bytes,
// and the labels shown.
void Engine::show_passes(std::int64_t size, int first_caption, int second_caption, bool with_checksum) {
    ui_.label_set_caption(LabelId::Pass1, ui_.message(first_caption));
    ui_.label_set_caption(LabelId::Pass2, ui_.message(second_caption));
    ui_.bar_setup(ProgressBarId::Pass1, 0, size, step_for(size));
    ui_.bar_setup(ProgressBarId::Pass2, 0, size, step_for(size));
    if (with_checksum) ui_.label_set_visible(LabelId::Checksum, true);
    ui_.label_set_visible(LabelId::Pass1, true);
    ui_.label_set_visible(LabelId::Pass2, true);
}

void Engine::finished(int message, const std::string& source, const std::string& destination) {
    ui_.log_line(ui_.message(message));
    ui_.log_line(source + "-->" + destination);
    end_display(ui_);
}

FileOutcome Engine::codefile(const std::string& source, const std::string& destination, std::string_view password,
                             SourceKind kind, DestinationKind where, const InFolder& in_folder,
                             const InFolder& out_folder) {
    taken_as_ = 0;
    Source from(source, kind, in_folder);
    // A small file open already: its keys are begun before anything else.
    std::optional<Keys> keys;
    if (const InputFile* f = from.opened(); f != nullptr && f->size() < kSmallFile)
        begin_coding_keys(keys, password, static_cast<std::size_t>(f->size()));
    Destination to;
    if (auto outcome = open_request(Operation::Code, from, destination, where, out_folder, to))
        return *std::move(outcome);

    ProgressRestore restore(ui_);
    tell_form(password, password_forms.given);
    // One handle for the checksum and the coding: both see the same file.
    InputFile& in = from.open();
    const std::int64_t size = in.size();
    if (size > kMaxOriginalSize) throw IoError(source, EFBIG);
    show_passes(size, msg::kLevel1Coding, msg::kLevel2Coding, true);
    // A source that shrinks, grows or changes while it is read ends the
    // operation with nothing written: its checksum would not match.
    try {
        ui_.log_line(ui_.message(msg::kCrcCheck), source);
        if (size < kSmallFile)
            code_whole(in, to, size, password, keys);
        else
            code_in_blocks(in, to, size, password);
    } catch (const IoError& error) {
        if (error.code() == IoError::kEndOfFile && error.path() == source) throw changed_while_coding(source);
        throw;
    }
    finished(msg::kCodingFinished, source, destination);
    return {Outcome::Done, source, destination, {}};
}

// One read for the checksum and the coding: header, payload and seed are
// laid out in one buffer.  Asking for one byte more tells a file that grew
// since it was opened.
void Engine::code_whole(InputFile& in, const Destination& to, std::int64_t size, std::string_view password,
                        std::optional<Keys>& keys) {
    std::uint8_t* bytes = small_buffer();
    std::uint8_t* payload = bytes + kDataOffset;
    const auto n = static_cast<std::size_t>(size);
    // Its keys are made while the file is read.
    if (!keys) begin_coding_keys(keys, password, n);
    if (in.read_upto(payload, n + 1, n) != n) throw changed_while_coding(in.path());
    coded_header header;
    header.crc = static_cast<std::int64_t>(checksum(payload, n));
    show_checksum(size, header.crc);
    const std::int32_t seed = seeds_.next_seed();
    keys->use_seed(seed);

    OutputFile out(to);
    const auto header_bytes = header.to_bytes();
    std::memcpy(bytes, header_bytes.data(), header_bytes.size());
    std::memset(bytes + kHeaderSize, 0, kDataOffset - kHeaderSize);
    pump();

    // The whole coded file goes out in one write once both passes are done.
    in_memory(payload, n, *keys, size);
    const auto seed_bytes = stored_seed(seed);
    std::memcpy(payload + n, seed_bytes.data(), seed_bytes.size());
    out.write_all(bytes, kDataOffset + n + seed_bytes.size());
    in.close();
    out.commit();
    last_output_ = out.identity();
}

// The checksum pass, then the header and both passes block by block.
void Engine::code_in_blocks(InputFile& in, const Destination& to, std::int64_t size, std::string_view password) {
    coded_header header;
    header.crc = checksum_of(in);
    const std::int32_t seed = seeds_.next_seed();

    OutputFile out(to);
    in.seek(0);
    const auto header_bytes = header.to_bytes();
    out.write_all(header_bytes.data(), header_bytes.size());
    const std::uint8_t gap[kDataOffset - kHeaderSize] = {};
    out.write_all(gap, sizeof gap);
    pump();

    PasswordStream password_stream(password);
    // Coding applies the position key stream first, then the password's.
    Pass position{ProgressBarId::Pass1, step_for(size), 0, position_keys(seed)};
    Pass by_password{ProgressBarId::Pass2, step_for(size), 0, password_keys(password_stream)};
    const std::uint64_t sum =
        run_blocks(in, out, size, position, by_password, both_keys(seed, password_stream), SumOf::Input);
    if (static_cast<std::int64_t>(sum) != header.crc || in.has_byte_at(size)) throw changed_while_coding(in.path());

    const auto seed_bytes = stored_seed(seed);
    out.write_all(seed_bytes.data(), seed_bytes.size());
    in.close();
    out.commit();
    last_output_ = out.identity();
}

FileOutcome Engine::decodefile(const std::string& source, const std::string& destination, std::string_view password,
                               SourceKind kind, DestinationKind where, const InFolder& in_folder,
                               const InFolder& out_folder) {
    taken_as_ = 0;
    Source from(source, kind, in_folder);
    // A small file open already: the seed is in its last bytes, and the
    // keys of a payload where this program puts it are begun at once.  Its
    // header tells later whether that guess holds.
    std::optional<Keys> keys;
    if (const InputFile* f = from.opened();
        f != nullptr && f->size() <= kSmallFile && f->size() >= static_cast<std::int64_t>(kCodedOverhead)) {
        std::uint8_t stored[kSeedSize];
        if (f->read_at(stored, sizeof stored, f->size() - static_cast<std::int64_t>(kSeedSize)) == 0)
            keys.emplace(seed_from_stored(stored), password, static_cast<std::size_t>(f->size()) - kCodedOverhead,
                         keys_);
    }
    Destination to;
    if (auto outcome = open_request(Operation::Decode, from, destination, where, out_folder, to))
        return *std::move(outcome);

    ProgressRestore restore(ui_);
    InputFile& in = from.open();
    const std::int64_t size = in.size();
    show_passes(size, msg::kLevel1Decoding, msg::kLevel2Decoding, false);
    // A small file is read whole at once; a larger one piece by piece.
    std::uint8_t* whole = nullptr;
    if (size <= kSmallFile) {
        whole = small_buffer();
        in.read_exact(whole, static_cast<std::size_t>(size));
    }
    const coded_header header = read_header(in, size, whole);
    if (auto outcome = check_coded(in, header, size, source)) {
        outcome->destination = destination;
        return *std::move(outcome);
    }

    // A password that may have coded the file in other forms is first
    // checked in each of them, writing nothing; the one that matches is
    // decoded.  When none does, nothing is written.
    std::string_view key = password;
    std::string matched;  // the form that matched, when it is not the one given
    int form = password_forms.given;
    if (const std::int64_t payload = header.payload_length(size); payload >= 0) {
        const std::vector<PasswordForm> forms = forms_to_try(password, password_forms);
        if (forms.size() > 1) {
            const std::int32_t seed = whole != nullptr
                                          ? seed_from_stored(whole + size - static_cast<std::int64_t>(kSeedSize))
                                          : read_seed(in, size);
            const auto sums = form_sums(in, header.data_offset, payload, seed,
                                        whole != nullptr ? whole + header.data_offset : nullptr, forms);
            const auto match = std::find(sums.begin(), sums.end(), static_cast<std::uint64_t>(header.crc));
            if (match == sums.end()) {
                in.close();
                ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
                return unmatched(source, destination, to.exists);
            }
            const PasswordForm& found = forms[static_cast<std::size_t>(match - sums.begin())];
            form = found.code_page;
            if (found.bytes != password) {
                matched = found.bytes;
                key = matched;
                keys.reset();
            }
        }
    }
    tell_form(key, form);
    std::optional<OutputFile> out;
    const auto computed = static_cast<std::int64_t>(decode_payload(in, to, header, size, whole, key, keys, out));
    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.label_set_visible(LabelId::Checksum, true);
    // The restored file holds exactly the bytes written: their sum is its
    // checksum, shown as the checksum pass shows it.
    ui_.log_line(ui_.message(msg::kCrcCheck), destination);
    show_checksum(header.payload_length(size), computed);
    if (computed != header.crc) {
        ui_.log_line(ui_.message(msg::kCrcMismatch));
        Reason why{.why = Why::Message, .message = msg::kCrcMismatch};
        // A file that was there stays as it was: the decoded bytes are most
        // likely those of a wrong password.  Under a free name they are
        // kept for the person to look at, and the mismatch said.
        if (to.exists) {
            out.reset();
            why = {.why = Why::KeptOnMismatch, .path = destination};
            ui_.log_line(reason_text(why));
        } else {
            commit(*out);
        }
        ui_.notice(ui_.message(msg::kCrcMismatch));
        end_display(ui_);
        return {Outcome::ChecksumMismatch, source, destination, std::move(why)};
    }
    commit(*out);
    finished(msg::kDecodingFinished, source, destination);
    return {Outcome::Done, source, destination, {}};
}

void Engine::commit(OutputFile& out) {
    out.commit();
    last_output_ = out.identity();
}

// No form of the password matched: nothing was written, and a file that
// was there stays as it was.
FileOutcome Engine::unmatched(const std::string& source, const std::string& destination, bool kept) {
    ui_.log_line(ui_.message(msg::kCrcMismatch));
    Reason why{.why = Why::Message, .message = msg::kCrcMismatch};
    if (kept) {
        why = {.why = Why::KeptOnMismatch, .path = destination};
        ui_.log_line(reason_text(why));
    }
    ui_.notice(ui_.message(msg::kCrcMismatch));
    end_display(ui_);
    return {Outcome::ChecksumMismatch, source, destination, std::move(why)};
}

// The log line naming the form of a password holding letters beyond ASCII.
void Engine::tell_form(std::string_view password, int code_page) {
    if (code_page == 0 || is_ascii(password) || !decode_text(password, code_page)) return;
    ui_.log_line(password_taken_as(code_page_name(code_page)));
    taken_as_ = code_page;
}

FileOutcome Engine::operate(Operation op, const std::string& source, const std::string& destination,
                            std::string_view password, SourceKind kind, DestinationKind where, const InFolder& from,
                            const InFolder& to) {
    return op == Operation::Code ? codefile(source, destination, password, kind, where, from, to)
                                 : decodefile(source, destination, password, kind, where, from, to);
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
    if (header.newer_than_ours() && !ui_.ask(Question::DecodeNewerVersion, ui_.message(msg::kNewerVersion))) {
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

// Both passes over the payload into the destination; returns the sum of the
// bytes written.  `whole` holds the file when it was read at once.
std::uint64_t Engine::decode_payload(InputFile& in, const Destination& to, const coded_header& header,
                                     std::int64_t size, std::uint8_t* whole, std::string_view password,
                                     std::optional<Keys>& keys, std::optional<OutputFile>& out) {
    const std::int64_t payload = header.payload_length(size);
    const std::int32_t seed =
        whole != nullptr ? seed_from_stored(whole + size - static_cast<std::int64_t>(kSeedSize)) : read_seed(in, size);
    // A small payload's keys are made while the output is opened, unless
    // they are on their way already.
    if (whole == nullptr || !keys || !keys->made_for(seed, static_cast<std::size_t>(payload))) keys.reset();
    if (whole != nullptr && !keys) keys.emplace(seed, password, static_cast<std::size_t>(payload), keys_);
    out.emplace(to);
    std::uint64_t sum = 0;
    if (whole != nullptr) {
        std::uint8_t* plain = whole + header.data_offset;
        const auto n = static_cast<std::size_t>(payload);
        pump();
        in_memory(plain, n, *keys, size);
        out->write_all(plain, n);
        sum = checksum(plain, n);
    } else {
        in.seek(header.data_offset);
        pump();
        PasswordStream password_stream(password);
        // Decoding undoes them in the other order: the first pass applies the
        // password key stream, the second the position key stream.
        Pass by_password{ProgressBarId::Pass1, step_for(size), 0, password_keys(password_stream)};
        Pass position{ProgressBarId::Pass2, step_for(size), 0, position_keys(seed)};
        sum = run_blocks(in, *out, payload, by_password, position, both_keys(seed, password_stream), SumOf::Output);
    }
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
        ui_.log_line(reason_text(why));
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
        ui_.log_line(reason_text(why));
        return {Outcome::Refused, source, {}, why};
    }
    if (payload > kMaxOriginalSize) {
        const Reason why{.why = Why::TooLargeToDecode, .path = source};
        ui_.log_line(reason_text(why));
        return {Outcome::Refused, source, {}, why};
    }

    ProgressRestore restore(ui_);
    const std::int32_t seed = read_seed(in, size);
    const std::vector<PasswordForm> forms = forms_to_try(password, password_forms);
    const auto sums = form_sums(in, header.data_offset, payload, seed, nullptr, forms);
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
