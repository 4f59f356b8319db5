// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run.h"

#include "batch/folder_walk.h"
#include "batch/run_rules.h"

#include "engine/coded_format.h"
#include "io/file_io.h"
#include "io/folder.h"
#include "io/paths.h"
#include "io/std_streams.h"

#include <optional>
#include <utility>

namespace tarnvold {

std::string grouped(std::int64_t n) {
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > (n < 0 ? 1 : 0); at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

bool about_a_folder(const FileOutcome& outcome) {
    switch (outcome.reason.why) {
    case Why::CannotEnter:
    case Why::DestinationIsLink:
    case Why::DestinationNotFolder:
    case Why::DestinationWrittenAlready: return true;
    default: return false;
    }
}

void RunTally::count(const FileOutcome& outcome) {
    switch (outcome.kind) {
    case Outcome::Done: ++done; break;
    case Outcome::Declined: ++declined; break;
    case Outcome::Refused:
    case Outcome::NotCoded: ++(about_a_folder(outcome) ? folders : refused); break;
    case Outcome::ChecksumMismatch: ++failed; break;
    }
}

std::string RunTally::text(Operation op) const {
    std::string out = grouped(done) + (op == Operation::Code ? " coded" : " decoded");
    if (declined > 0) out += ", " + grouped(declined) + " declined";
    out += ", " + grouped(refused) + " refused, " + grouped(failed) + " failed";
    if (folders > 0) out += ", " + grouped(folders) + (folders == 1 ? " folder" : " folders") + " passed by";
    return out;
}

std::string RunResult::progress_text(Operation op) const {
    return grouped(tally.total()) + " of " + grouped(count) + (count == 1 ? " file done (" : " files done (") +
           tally.text(op) + ")";
}

bool is_writable_folder(const std::string& path) { return destination_refusal(path).why == Why::None; }

bool into_folder(const std::vector<std::string>& operands) {
    return operands.size() > 2 ||
           (operands.size() == 2 && operands.back() != "-" && is_writable_folder(operands.back()));
}

std::string output_beside(Operation op, const std::string& source) {
    // The folder part as given, whatever separator the system takes ("C:"
    // alone too): what comes before the last name.
    const std::string name = last_name(source);
    const std::size_t at = source.rfind(name);
    return (at == std::string::npos ? std::string() : source.substr(0, at)) + output_name(op, name);
}

bool missing_source(const IoError& error, const std::string& source) {
    return error.path() == source && !file_exists(source) && !is_writable_folder(source);
}

FileOutcome run_one_file(Engine& engine, Operation op, const std::string& source, const std::string& destination,
                         std::string_view password,
                         const std::function<void(const std::string& source, const std::string& destination)>& begins) {
    constexpr std::int64_t kSpoolLimit = kMaxOriginalSize + static_cast<std::int64_t>(kCodedOverhead) + 1;
    const bool to_stdout = destination == "-";
    std::optional<SpooledInput> spooled;
    if (source == "-") spooled.emplace(kSpoolLimit);
    const std::string from_name = spooled ? std::string(kStandardInput) : source;
    const InFolder from = spooled ? InFolder{&spooled->folder(), spooled->name(), true} : InFolder{};
    const std::string to_name = to_stdout ? std::string(kStandardOutput) : destination;
    const auto where = to_stdout ? Engine::DestinationKind::StandardOutput : Engine::DestinationKind::Unknown;
    if (begins) begins(from_name, to_name);
    return engine.operate(op, from_name, to_name, password, Engine::SourceKind::Unknown, where, from);
}

SeveralFilesRun::SeveralFilesRun(Engine& engine, UserInterface& ui, RunPresenter& presenter, Operation op,
                                 bool keep_going)
    : engine_(engine), ui_(ui), presenter_(presenter), op_(op), keep_going_(keep_going) {
    engine_.batch_mode = op == Operation::Decode;
}

SeveralFilesRun::~SeveralFilesRun() {
    engine_.batch_mode = false;
    engine_.keep_existing = nullptr;
}

void SeveralFilesRun::ended(const FileOutcome& outcome) {
    tally_.count(outcome);
    presenter_.file_ended(outcome, !about_a_folder(outcome));
}

// Named and counted; without keep_going the error ends the run.
void SeveralFilesRun::failed(const std::string& source, const IoError& error) {
    ++tally_.failed;
    ++tally_.io_failed;
    presenter_.file_failed(source, error, false);
    if (!keep_going_) throw Stop{};
}

RunResult SeveralFilesRun::result(bool stopped, bool failed, std::int64_t count) const {
    RunEnd end = RunEnd::Finished;
    if (failed)
        end = RunEnd::Failed;
    else if (stopped && tally_.total() < count)  // a stop after the last file leaves nothing undone
        end = RunEnd::Interrupted;
    return {.end = end, .tally = tally_, .count = count};
}

RunResult SeveralFilesRun::folder(const std::string& source, const std::string& destination,
                                  std::string_view password) {
    FolderWalk walk(engine_, ui_);
    walk.on_file_begins = [this](const std::string& from, const std::string& to) { presenter_.file_begins(from, to); };
    walk.on_file = [this](const std::string&, const std::string&, const FileOutcome& outcome) { ended(outcome); };
    walk.on_io_error = [this](const std::string& file, const std::string&, const IoError& error) {
        failed(file, error);
    };
    // Asked between two files, so the file in progress is always complete.
    walk.stop_requested = [this] { return presenter_.stop_requested(); };
    const std::int64_t count = walk.announce(op_, source);
    presenter_.run_begins(count);
    bool stopped_by_error = false;
    try {
        walk.run(op_, source, destination, password);
    } catch (const Stop&) {
        stopped_by_error = true;
    }
    walk.folder_progress_end();
    return result(walk.stopped(), stopped_by_error, count);
}

// What no output of a run of several files replaces: an output written
// earlier in the run, or any of its sources, coded yet or not.
struct SeveralFilesRun::Guard {
    explicit Guard(const std::vector<std::string>& sources) {
        for (const std::string& source : sources)
            if (const SourceInfo info = inspect_source(source); info.exists) inputs[info.id] = source;
    }
    // Engine::keep_existing for the file `current`.
    bool keeps(const FileId& existing) {
        const auto found = outputs.find(existing);
        const auto input = inputs.find(existing);
        if (found != outputs.end())
            kept = {Why::OutputWrittenAlready, found->second};
        else if (input != inputs.end() && input->second != *current)
            // (A source that is its own destination is the engine's to refuse.)
            kept = {Why::DestinationIsSource, input->second};
        return kept.why != Why::None;
    }

    RunOutputs outputs;
    RunOutputs inputs;  // the sources by identity
    KeptOutput kept;
    const std::string* current = nullptr;
};

RunResult SeveralFilesRun::files(const std::vector<std::string>& sources, const std::string& folder,
                                 std::string_view password) {
    const auto count = static_cast<std::int64_t>(sources.size());
    presenter_.run_begins(count);
    Guard guard(sources);
    engine_.keep_existing = [&guard](const FileId& existing) { return guard.keeps(existing); };
    // The folder is held open for the whole run: every output is made in
    // it, and a link under an output's name is refused, not followed.
    const Folder into = Folder::open(folder, Folder::Use::Write);
    // One separator between the folder and a name.
    const std::string base = folder == "/"           ? std::string()
                             : folder.ends_with('/') ? folder.substr(0, folder.size() - 1)
                                                     : folder;
    bool stopped = false;
    bool stopped_by_error = false;
    for (const std::string& source : sources) {
        if (presenter_.stop_requested()) {
            stopped = true;
            break;
        }
        const std::string out_name = output_name(op_, last_name(source));
        const std::string target = folder == "/" ? folder + out_name : joined_path(base, out_name);
        if (!one_of_files(guard, into, source, out_name, target, password)) {
            stopped_by_error = true;
            break;
        }
    }
    engine_.keep_existing = nullptr;
    // Its outputs are on disk before the run reports them done.
    into.flush_file_system();
    return result(stopped, stopped_by_error, count);
}

// One source of a run of several files; false when its input/output error
// ends the run.
bool SeveralFilesRun::one_of_files(Guard& guard, const Folder& into, const std::string& source,
                                   const std::string& out_name, const std::string& target, std::string_view password) {
    presenter_.file_begins(source, target);
    guard.kept = {};
    guard.current = &source;
    FileOutcome outcome;
    try {
        const InFolder to{&into, out_name, false};
        outcome = engine_.operate(op_, source, target, password, Engine::SourceKind::Unknown,
                                  Engine::DestinationKind::Unknown, {}, to);
    } catch (const IoError& error) {
        if (missing_source(error, source)) {
            ++tally_.refused;
            presenter_.file_failed(source, error, true);
            return true;
        }
        try {
            failed(source, error);
        } catch (const Stop&) {
            return false;
        }
        return true;
    }
    settle_output(engine_, ui_, guard.kept, guard.outputs, outcome, source, target);
    ended(outcome);
    return true;
}

}  // namespace tarnvold
