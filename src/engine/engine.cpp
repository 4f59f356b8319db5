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
        if (const IoKind refused = name_not_allowed(name); refused != IoKind::None)
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
        r.error = IoStatus::system(destination.write_error);
    }
    return r;
}

namespace {

IoError changed_while_coding(const std::string& source) { return IoError(source, IoKind::ChangedWhileCoding); }

bool same_inode(const SourceInfo& source, const Destination& destination) {
    // Standard output may be the source itself (>> source).
    const bool written_file = destination.exists || (destination.standard_output && destination.regular);
    return source.exists && written_file && source.id == destination.id;
}

}  // namespace

void end_display(UserInterface& ui) {
    ui.label_set_visible(LabelId::Checksum, false);
    ui.label_set_visible(LabelId::Pass1, false);
    ui.label_set_visible(LabelId::Pass2, false);
    ui.bar_set_position(ProgressBarId::Checksum, 0);
    ui.bar_set_position(ProgressBarId::Pass1, 0);
    ui.bar_set_position(ProgressBarId::Pass2, 0);
}

void Engine::refuse(const Reason& reason, int aborted_message) {
    ui_.log_reason(reason);
    if (!batch_mode) ui_.refused(reason);
    ui_.log_line(ui_.message(aborted_message));
}

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
        if (error.kind() == IoKind::EndOfFile && error.path() == source) throw changed_while_coding(source);
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

// The log line naming the form of a password holding letters beyond ASCII.
void Engine::tell_form(std::string_view password, int code_page) {
    if (code_page == 0 || is_ascii(password) || !decode_text(password, code_page)) return;
    ui_.log_reason({.why = Why::PasswordTakenAs, .other = code_page_name(code_page)});
    taken_as_ = code_page;
}

FileOutcome Engine::operate(Operation op, const std::string& source, const std::string& destination,
                            std::string_view password, SourceKind kind, DestinationKind where, const InFolder& from,
                            const InFolder& to) {
    return op == Operation::Code ? codefile(source, destination, password, kind, where, from, to)
                                 : decodefile(source, destination, password, kind, where, from, to);
}

}  // namespace tarnvold
