// SPDX-License-Identifier: GPL-3.0-or-later
// Runs over several files for a front end that tells each outcome as it
// comes and sums the run up at its end (tarnvold-cli): a folder run, or
// several sources coded or decoded into one folder.  The run decides which
// operands are sources, the names of their outputs, what no output may
// replace, when it stops and how it ended; the front end only presents
// that, through RunPresenter.  One engine for the whole run, so one seed
// sequence.
#pragma once

#include "engine/engine.h"
#include "engine/operation.h"
#include "engine/user_interface.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold {

class Folder;
class IoError;

// 9998 as "9,998".
std::string grouped(std::int64_t n);

// An outcome about a folder rather than a file: it leaves the totals of
// files alone.
bool about_a_folder(const FileOutcome& outcome);

// What became of the files of a run, counted apart.
struct RunTally {
    std::int64_t done = 0, declined = 0, refused = 0, failed = 0;
    std::int64_t io_failed = 0;  // of `failed`: an input/output error
    std::int64_t folders = 0;    // folders passed by, not counted as files

    std::int64_t total() const { return done + declined + refused + failed; }
    bool all_done() const { return total() == done && folders == 0; }
    void count(const FileOutcome& outcome);
    // The summary: "9,998 coded, 2 refused, 0 failed".
    std::string text(Operation op) const;
};

// How a run ended.
enum class RunEnd {
    Finished,     // every file had its turn (a stop after the last one too)
    Interrupted,  // asked to stop before its last file
    Failed,       // an input/output error ended it
};

struct RunResult {
    RunEnd end = RunEnd::Finished;
    RunTally tally;
    std::int64_t count = 0;  // the files the run was to do
    // How far it got: "3 of 10 files done (3 coded, 0 refused, 0 failed)".
    std::string progress_text(Operation op) const;
};

// What a front end is told and asked during a run, on the driving thread.
class RunPresenter {
public:
    virtual ~RunPresenter() = default;
    // The run has counted its files.
    virtual void run_begins(std::int64_t count) = 0;
    // `source` is handed to the engine next, its output to be `destination`.
    virtual void file_begins(const std::string& source, const std::string& destination) = 0;
    // What became of a file, counted already; `a_file` is false for a folder
    // the run passed by.
    virtual void file_ended(const FileOutcome& outcome, bool a_file) = 0;
    // An input/output error ended one file, counted already: as refused when
    // `missing` (a source that is not there), otherwise as failed.
    virtual void file_failed(const std::string& source, const IoError& error, bool missing) = 0;
    // Asked between two files: true ends the run there.
    virtual bool stop_requested() = 0;
};

// `path` is a folder the run can write in.
bool is_writable_folder(const std::string& path);
// Operands SOURCE... DESTINATION ask for a run of several files into a
// folder: more than one SOURCE, or a DESTINATION that is a folder.
bool into_folder(const std::vector<std::string>& operands);
// The output of one SOURCE given alone: beside it, under the name a folder
// run gives it.
std::string output_beside(Operation op, const std::string& source);
// An input/output error that says `source` is not there: such a source is
// named, passed by, and the run goes on, as cp does.
bool missing_source(const IoError& error, const std::string& source);

// What "-" is called in the log lines and in what a front end tells.
inline constexpr const char* kStandardInput = "standard input";
inline constexpr const char* kStandardOutput = "standard output";

// One SOURCE into one DESTINATION (code, decode), either of them "-".
// Standard input is first kept in an unnamed temporary file, up to one byte
// beyond the largest coded file (anything longer the engine refuses as too
// large); standard output gets the bytes as they are made, so a decoded
// file goes out block by block before its checksum is known.  `begins` is
// told the names the two go by before the file is handed to the engine,
// when given.
// IoError leaves it, naming standard input or output by those names.
FileOutcome run_one_file(Engine& engine, Operation op, const std::string& source, const std::string& destination,
                         std::string_view password,
                         const std::function<void(const std::string& source, const std::string& destination)>& begins);

class SeveralFilesRun {
public:
    // As under "Decode object": decoding, a file that is not a coded file is
    // passed by and the run goes on.  Without `keep_going` a file's
    // input/output error ends the run.
    SeveralFilesRun(Engine& engine, UserInterface& ui, RunPresenter& presenter, Operation op, bool keep_going);
    SeveralFilesRun(const SeveralFilesRun&) = delete;
    SeveralFilesRun& operator=(const SeveralFilesRun&) = delete;
    ~SeveralFilesRun();

    // Every file below `source` into the same place below `destination`
    // (code-dir, decode-dir), after the log lines every folder run begins
    // with.  The folders must have been checked (source_refusal,
    // folders_overlap).
    RunResult folder(const std::string& source, const std::string& destination, std::string_view password);

    // `sources` in the order given into `folder`, under the names a folder
    // run gives them.  No output replaces one written earlier in the run or
    // any of its sources; a source that is not there is passed by.  The
    // outputs are on disk before the run ends.
    RunResult files(const std::vector<std::string>& sources, const std::string& folder, std::string_view password);

private:
    struct Stop {};
    struct Guard;
    bool one_of_files(Guard& guard, const Folder& into, const std::string& source, const std::string& out_name,
                      const std::string& target, std::string_view password);
    void ended(const FileOutcome& outcome);
    void failed(const std::string& source, const IoError& error);
    RunResult result(bool stopped, bool failed, std::int64_t count) const;

    Engine& engine_;
    UserInterface& ui_;
    RunPresenter& presenter_;
    Operation op_;
    bool keep_going_;
    RunTally tally_;
};

}  // namespace tarnvold
