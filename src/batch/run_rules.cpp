// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_rules.h"

#include "config/program_texts.h"
#include "engine/password_forms.h"
#include "io/folder.h"
#include "io/utf8_text.h"

#include <algorithm>
#include <vector>

namespace tarnvold {
namespace {

std::string ascii_lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string coded_name(std::string_view name) {
    std::string coded(name);
    for (char& c : coded)
        if (c == '.') c = '_';
    return coded + ".cod";
}

std::string decoded_name(std::string_view name) {
    // ".cod" in any letter case, with a name before it that the file system
    // can hold; anything else keeps its name and gets ".decoded" appended.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const bool coded =
        name.size() > 4 && std::ranges::equal(name.substr(name.size() - 4), std::string_view(".cod"), {}, lower);
    std::string decoded(name.substr(0, coded ? name.size() - 4 : name.size()));
    if (!coded || decoded == "." || decoded == "..") return std::string(name) + ".decoded";
    // Where each character starts: UTF-8 characters for a name that is
    // valid UTF-8, single bytes for any other.
    std::vector<std::size_t> starts;
    const bool utf8 = is_utf8(decoded);
    for (std::size_t pos = 0; pos < decoded.size(); pos += utf8 ? utf8_char_length(decoded, pos) : 1)
        starts.push_back(pos);
    // A "_" where coding put the dot of a three-character extension.
    if (starts.size() >= 4 && decoded[starts[starts.size() - 4]] == '_') decoded[starts[starts.size() - 4]] = '.';
    return decoded;
}

std::string output_name(Operation op, std::string_view name) {
    return op == Operation::Code ? coded_name(name) : decoded_name(name);
}

Overlap folders_overlap(const std::string& source, const std::string& destination) {
    try {
        const Folder from = Folder::open(source, Folder::Use::Write);
        const Folder to = Folder::open(destination, Folder::Use::Write);
        if (to.is_within(from)) return Overlap::DestinationInsideSource;
        if (from.is_within(to)) return Overlap::SourceInsideDestination;
    } catch (const IoError&) {
    }
    return Overlap::None;
}

Reason overlap_reason(Overlap overlap, const std::string& source, const std::string& destination) {
    if (overlap == Overlap::SourceInsideDestination) return {.why = Why::SourceInsideDestination, .path = source};
    return {.why = Why::DestinationInsideSource, .path = destination};
}

std::string overlap_refusal(Overlap overlap, const std::string& source, const std::string& destination) {
    return reason_text(overlap_reason(overlap, source, destination));
}

bool GivenNames::give(const std::string& name) {
    if (!known_) return false;
    if (!is_ascii(name)) return known_ = false;
    return given_.insert(ascii_lower(name)).second;
}

void settle_output(Engine& engine, UserInterface& ui, const KeptOutput& kept, RunOutputs& outputs, FileOutcome& outcome,
                   const std::string& source, const std::string& target) {
    if (kept.why != Why::None) {
        ui.file_begins(source);
        outcome.reason = {.why = kept.why, .path = source, .other = target, .target = kept.earlier};
        ui.log_reason(outcome.reason);
    } else if (const auto written = engine.last_output()) {
        outputs[*written] = source;
    }
}

}  // namespace tarnvold
