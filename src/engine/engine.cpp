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
    if (to.exists && !ui_.ask(Question::ReplaceDestination, destination, ui_.message(msg::kFileExists))) {
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
    const KeysDropped drop(codec_);
    const InputFile* early = from.opened();
    if (early != nullptr && early->size() < kSmallFile)
        begin_coding_keys(password, static_cast<std::size_t>(early->size()));
    else
        early = nullptr;
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
        // A small file's keys are made while it is read.
        if (size < kSmallFile && early == nullptr) begin_coding_keys(password, static_cast<std::size_t>(size));
        code_into(in, to, password);
    } catch (const IoError& error) {
        if (error.kind() == IoKind::EndOfFile && error.path() == source) throw changed_while_coding(source);
        throw;
    }
    finished(msg::kCodingFinished, source, destination);
    return {Outcome::Done, source, destination, {}};
}

// The codec codes the file; the seed is drawn and the output opened once
// the checksum is known and shown.
void Engine::code_into(InputFile& in, const Destination& to, std::string_view password) {
    std::optional<OutputFile> out;
    Steps steps(*this, false);
    codec_.code(
        in, password,
        [&](std::int64_t sum) {
            ui_.log_line(ui_.message(msg::kCrc), sum);
            const std::int32_t seed = seeds_.next_seed();
            out.emplace(to);
            return Codec::Output{seed, &*out};
        },
        steps);
    in.close();
    commit(*out);
}

// The keys of the next file to be coded: the seed it gets is known before
// it is taken.
void Engine::begin_coding_keys(std::string_view password, std::size_t count) {
    SeedGenerator ahead = seeds_;
    codec_.begin_keys(ahead.next_seed(), password, count);
}

void Engine::pump() {
    ui_.process_events();
    stop_if_requested();
}

void Engine::stop_if_requested() const {
    if (stop_requested && stop_requested()) throw OperationStopped();
}

// The checksum's caption and its bar, empty, for `size` bytes, with the
// label shown when asked; returns the bar's step.
std::int64_t Engine::begin_checksum_bar(std::int64_t size, bool show_label) {
    ui_.label_set_caption(LabelId::Checksum, ui_.message(msg::kCrcCheck));
    if (show_label) ui_.label_set_visible(LabelId::Checksum, true);
    const std::int64_t step = step_for(size);
    ui_.bar_set_position(ProgressBarId::Checksum, 0);
    ui_.bar_setup(ProgressBarId::Checksum, 0, size, step);
    return step;
}

// What the checksum pass shows for a file whose sum is already known: the
// caption, the checksum bar with all its steps, the log line.
void Engine::show_checksum(std::int64_t size, std::int64_t sum) {
    const std::int64_t step = begin_checksum_bar(size, false);
    ui_.bar_steps(ProgressBarId::Checksum, size / step);
    ui_.log_line(ui_.message(msg::kCrc), sum);
}

// The checksum pass over an open file, from where it stands: the caption,
// the checksum bar, the bar steps and the log line with the sum.
std::int64_t Engine::checksum_of(InputFile& file) {
    Steps steps(*this, false);
    const std::int64_t sum = codec_.checksum(file, steps);
    ui_.log_line(ui_.message(msg::kCrc), sum);
    return sum;
}

std::int64_t Engine::file_byte_sum(const std::string& path) {
    ui_.log_line(ui_.message(msg::kCrcCheck), path);
    // Opened for reading only, its rights left as they are.
    InputFile file(path);
    const std::int64_t sum = checksum_of(file);
    file.close();
    return sum;
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
