// SPDX-License-Identifier: GPL-3.0-or-later
// The runs of tarnvold-cli as the terminal shows them: the run layer
// (batch/run.h) decides what each file becomes; here every outcome gets its
// line on standard error, the progress line its steps, and the run its
// summary and exit status.
#include "cli/cli_parts.h"
#include "cli/terminal_ui.h"

#include "batch/folder_walk.h"
#include "batch/run.h"
#include "config/message_id.h"
#include "config/program_texts.h"
#include "engine/engine.h"
#include "io/code_pages.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/system_error.h"

#include <algorithm>

namespace tarnvold::cli {
namespace {

int status_of(Outcome outcome) { return outcome == Outcome::Done ? kExitOk : kExitNotDone; }

TerminalOptions terminal_options(const Options& options, Operation op, bool log_to_stderr = false) {
    return {.verbose = options.verbose,
            .yes = options.yes,
            .interactive = have_console(),
            .progress = !options.quiet && !options.no_progress && is_console(kStderr),
            .log_to_stderr = log_to_stderr,
            .decoding = op == Operation::Decode};
}

// The path a fault line names, from the outcome: what its reason is about,
// or the source.
const std::string& named_path(const FileOutcome& outcome) {
    return outcome.reason.path.empty() ? outcome.source : outcome.reason.path;
}

// The reason of an outcome as a line on standard error tells it after the
// path it names.
std::string reason_for(TerminalUi& ui, const FileOutcome& outcome) {
    if (outcome.reason.why == Why::Message) return ui.message(outcome.reason.message);
    const std::string text = reason_detail(outcome.reason, named_path(outcome));
    return text.empty() ? std::string("refused") : text;
}

// Tells on standard error what became of a file that was not done.
void report_outcome(TerminalUi& ui, const FileOutcome& outcome) {
    switch (outcome.kind) {
    case Outcome::Done: break;
    case Outcome::Declined:
        ui.report_declined(
            outcome.reason.why == Why::DeclinedNewer ? Question::DecodeNewerVersion : Question::ReplaceDestination,
            outcome.source, outcome.destination);
        break;
    case Outcome::NotCoded:
    case Outcome::Refused: ui.error_line(named_path(outcome), reason_for(ui, outcome)); break;
    case Outcome::ChecksumMismatch:
        ui.error_line(outcome.source, ui.message(msg::kCrcMismatch));
        // An existing destination that stayed as it was is named too.
        if (outcome.reason.why == Why::KeptOnMismatch)
            ui.error_line(outcome.reason.path, reason_detail(outcome.reason, outcome.reason.path));
        break;
    }
}

// An input/output error's reason as the lines give it.
std::string io_reason(const IoError& error) { return with_full_stop(error.reason()); }

// A run over several files (a folder run, or several SOURCEs into a
// FOLDER) on the terminal: each file's outcome told as it comes; stopped
// between two files by Ctrl-C or a standard output that failed.
class TerminalRun final : public RunPresenter {
public:
    TerminalRun(const Options& options, Operation op)
        : options_(options), op_(op), ui_(terminal_options(options, op)), engine_(ui_) {
        engine_.password_forms = options.password_forms;
    }

    // Runs `body` (the run layer's flow) and gives the exit status.
    template <class Body>
    int operator()(Body&& body) {
        SeveralFilesRun run(engine_, ui_, *this, op_, options_.keep_going);
        return finish(body(run));
    }

    void run_begins(std::int64_t count) override { ui_.progress().set_total(count); }
    // The engine names the file each question is about.
    void file_begins(const std::string&, const std::string&) override {}
    void file_ended(const FileOutcome& outcome, bool a_file) override {
        if (a_file) ui_.progress().file_done();
        report_outcome(ui_, outcome);
    }
    void file_failed(const std::string& source, const IoError& error, bool) override {
        ui_.progress().file_done();
        if (error.path().empty() || error.path() == source)
            ui_.error_line(source, io_reason(error));
        else
            ui_.error_line(source, "not written: " + quoted_name(error.path()) + ": " + io_reason(error));
    }
    bool stop_requested() override { return interrupt_requested() || ui_.output_error() != 0; }

private:
    // The exit status at the end, with the summary on standard error: the
    // totals when a file was not done; on a stop, the reason and how far
    // the run got, even with --quiet.
    int finish(const RunResult& result) {
        ui_.progress().clear();
        // "interrupted; 3 of 10 files done (3 coded, 0 refused, 0 failed)".
        const auto stop_line = [&](std::string_view path, const std::string& why) {
            tell(path, why + "; " + result.progress_text(op_));
        };
        if (const int error = ui_.output_error(); error != 0) {
            stop_line("standard output", system_reason(error));
            return kExitIoError;
        }
        if (result.end == RunEnd::Failed) {
            stop_line({}, "stopped by an input/output error");
            return kExitIoError;
        }
        if (result.end == RunEnd::Interrupted) {
            stop_line({}, "interrupted");
            return kExitInterrupted;
        }
        const RunTally& tally = result.tally;
        if (!tally.all_done() && !options_.quiet) tell({}, tally.text(op_));
        if (tally.io_failed > 0) return kExitIoError;
        return tally.all_done() ? kExitOk : kExitNotDone;
    }

    const Options& options_;
    Operation op_;
    TerminalUi ui_;
    Engine engine_;
};

}  // namespace

std::string folder_problem(const std::string& path, bool listed) {
    const Reason refused = listed ? source_refusal(path) : destination_refusal(path);
    return refused.why == Why::None ? std::string() : IoError(path, refused.error).reason();
}

// code-dir and decode-dir: with --verbose, the lines File > Code >
// Directory and File > Decode > Directory write to the log, from the count
// to the walk's end.
int run_folder_command(Operation op, const std::string& source, const std::string& destination,
                       const std::string& password, const Options& options) {
    InterruptGuard interrupts;
    TerminalRun terminal(options, op);
    return terminal([&](SeveralFilesRun& run) { return run.folder(source, destination, password); });
}

// Each SOURCE into `folder` under the name a folder run gives it, in the
// order given, as a folder run would.
int run_files_command(Operation op, const std::vector<std::string>& sources, const std::string& folder,
                      const std::string& password, const Options& options) {
    InterruptGuard interrupts;
    TerminalRun terminal(options, op);
    return terminal([&](SeveralFilesRun& run) { return run.files(sources, folder, password); });
}

// test: every file is checked, whatever became of the one before; a line
// on standard output for each file whose password matches, and one on
// standard error for each that fails.
int run_test(const std::vector<std::string>& files, const std::string& password, const Options& options) {
    TerminalUi ui(terminal_options(options, Operation::Decode));
    ui.silence_log();
    ui.progress().set_total(static_cast<std::int64_t>(files.size()));
    Engine engine(ui);
    engine.password_forms = options.password_forms;
    int worst = kExitOk;
    std::size_t tested = 0;
    for (const auto& file : files) {
        int status = kExitNotDone;
        try {
            const FileOutcome outcome = engine.test_file(file, password);
            ++tested;
            ui.progress().file_done();
            ui.progress().clear();
            if (outcome.kind == Outcome::Done) {
                const int form = engine.matched_form();
                const std::string matches = form != 0 ? password_matches_as(code_page_name(form)) : password_matches();
                status = kExitOk;
                if (!options.quiet) {
                    if (const int error = write_stdout(quoted_name(file) + ": " + matches + "\n"); error != 0) {
                        tell("standard output", std::string(system_reason(error)) + "; stopped after " +
                                                    std::to_string(tested - 1) + " of " + std::to_string(files.size()) +
                                                    (files.size() == 1 ? " file" : " files"));
                        return kExitIoError;
                    }
                }
            } else {
                report_outcome(ui, outcome);
            }
        } catch (const IoError& error) {
            ++tested;
            ui.progress().file_done();
            status = missing_source(error, file) ? kExitNotDone : kExitIoError;
            ui.error_line(file, error.path() == file ? io_reason(error) : error.what());
        }
        worst = std::max(worst, status);
    }
    return worst;
}

// The verdict of a decoded file sent to standard output is the exit status
// and, on a mismatch, a line on standard error.
int run_one_file(Operation op, const std::string& source_operand, const std::string& destination_operand,
                 const std::string& password, const Options& options) {
    const bool to_stdout = destination_operand == "-";
    TerminalUi ui(terminal_options(options, op, to_stdout));
    ui.progress().set_total(1);
    Engine engine(ui);
    engine.password_forms = options.password_forms;
    try {
        const FileOutcome outcome =
            tarnvold::run_one_file(engine, op, source_operand, destination_operand, password, {});
        ui.progress().file_done();
        ui.progress().clear();
        report_outcome(ui, outcome);
        if (const int error = ui.output_error(); error != 0) {
            tell(kStandardOutput, system_reason(error));
            return kExitIoError;
        }
        return status_of(outcome);
    } catch (const IoError& error) {
        ui.progress().clear();
        // Standard output has the bytes sent before the change was seen.
        if (to_stdout && error.kind() == IoKind::ChangedWhileCoding)
            ui.error_line(error.path(), changed_while_streaming());
        else
            ui.error_line(error.path(), io_reason(error));
        return missing_source(error, source_operand) ? kExitNotDone : kExitIoError;
    }
}

}  // namespace tarnvold::cli
