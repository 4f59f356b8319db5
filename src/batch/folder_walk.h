// SPDX-License-Identifier: GPL-3.0-or-later
// Coding and decoding whole folder trees: the file count that gives the
// folder progress its range, the walk that hands every file of a tree to the
// engine, and the names the coded and decoded files get.
//
// A walk holds open the folders it is in (io/folder.h) and reaches every
// entry through them, never again by a path; the process's current
// directory is never changed.  Entries come in the order the file system
// lists them, depth first.  A walk writes only inside its destination tree,
// through the folders it opened or made there, and can be asked to stop
// between two files.
#pragma once

#include "batch/run_rules.h"

#include "engine/engine.h"
#include "engine/operation.h"
#include "engine/user_interface.h"
#include "io/folder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tarnvold {

class IoError;

// Why `folder` cannot be the source of a folder run: it cannot be listed
// (Why::CannotEnter with the system's error), or Why::None.  A walk refuses
// such a source itself; a command asks first to refuse it before its next
// question.  A folder that can be listed is a source even when it holds no
// file at all: the walk then only mirrors its folders.
Reason source_refusal(const std::string& folder);
// Why `folder` cannot be the destination of a run: it cannot be opened to
// write in (Why::CannotEnter with the system's error), or Why::None.
Reason destination_refusal(const std::string& folder);

// The count and the walk over one engine and one user interface.
class FolderWalk {
public:
    FolderWalk(Engine& engine, UserInterface& ui) : engine_(engine), ui_(ui) {}

    // Told what became of every file handed to the file operation, and of
    // everything the walk itself refused, which it reports with
    // Outcome::Refused after its log line:
    // - a source file whose destination was already written earlier in the
    //   same run (source and destination are that file's);
    // - a source folder that cannot be entered (destination: where its
    //   contents would have gone);
    // - a source folder whose destination folder exists as a symbolic link
    //   or as anything but a folder, or was written already in this run
    //   under another name (source: the folder, destination: that
    //   destination folder); nothing below it is handed over;
    // - a source file whose destination name is longer than the
    //   destination's file system allows.
    // The window leaves it empty; a run of several files (batch/run.h)
    // counts it for the summary of tarnvold-cli.
    std::function<void(const std::string& source, const std::string& destination, const FileOutcome& outcome)> on_file;

    // Told just before a file is handed to the file operation, with its
    // source and destination.  Empty in the window.
    std::function<void(const std::string& source, const std::string& destination)> on_file_begins;

    // Told of an input/output error that ended one file's operation (its
    // output discarded as always).  When set, the walk goes on with the next
    // entry and the file counts as finished; it may rethrow to end the walk.
    // A destination subfolder that cannot be made fails each file below
    // its source folder the same way, one call each.  Empty (the window):
    // the error ends the walk.
    std::function<void(const std::string& source, const std::string& destination, const IoError& error)> on_io_error;

    // Asked before every entry of a walk, so between two files and never
    // during one: when it returns true the walk ends there, writes the log
    // line stop_reason() and returns normally with stopped() true.  The file
    // in progress when the request came is finished or discarded by the
    // file operation as always.  Empty: the walk is never stopped.  It may
    // poll a flag set by a signal handler, e.g.
    //   static volatile std::sig_atomic_t interrupted;
    //   walk.stop_requested = [] { return interrupted != 0; };
    std::function<bool()> stop_requested;

    // The last codedirs / decodedirs: whether it was stopped, and how many
    // files it finished with (handed over or refused, one folder progress
    // step each).
    bool stopped() const { return stopped_; }
    std::int64_t files_done() const { return files_done_; }
    // "Stopped by the user after N of M files", M being files_number.
    Reason stop_reason() const;

    // The running count of count_files.
    std::int64_t files_number = 0;

    // Sets files_number to 0, counts `folder` and returns the count.
    std::int64_t get_files_number(const std::string& folder);
    // Adds the files in `folder` and every folder below it that can be
    // entered to files_number, with one "Scanning..." line per folder.  A
    // link that leads back to a folder being counted or above it is not
    // followed.  The program's temporary files are not counted.
    void count_files(const std::string& folder);

    // Code (decode) every file below `source` into the same place below
    // `destination`, which must exist; the folders below it are created, or
    // reused when they exist as real folders.  Nothing is ever written
    // outside the destination tree: a link in it, to a folder or to a file,
    // is never followed, and a folder swapped for a link while the walk is
    // in it changes nothing.  No output of the run is replaced by a later
    // file of the same run.  What the walk refuses is logged, told to
    // on_file, and the walk goes on.  A link to a folder in the source that
    // leads into the destination tree, or back to a folder being walked or
    // above it, is passed by with a log line.  The program's temporary
    // files are never taken as inputs; those that processes which no longer
    // run left in a destination folder are removed.  IoError ends the walk.
    void codedirs(const std::string& source, const std::string& destination, std::string_view password);
    void decodedirs(const std::string& source, const std::string& destination, std::string_view password);

    // A folder run's start, in the window and in tarnvold-cli alike: the
    // folder progress (folder_progress_start) and the log line with the
    // count, which it returns.
    std::int64_t announce(Operation op, const std::string& source);
    // The rest of a folder run once its password is known: the log lines
    // naming `destination`, then the walk (codedirs or decodedirs).
    void run(Operation op, const std::string& source, const std::string& destination, std::string_view password);

    // The folder progress: counts `source`, gives ProgressBar4 the range
    // 0..count in steps of 1 from position 0 and shows it with Label1.
    // Returns the count, which the command then writes in its count line.
    std::int64_t folder_progress_start(const std::string& source);
    // Hides ProgressBar4 and Label1; the position stays.
    void folder_progress_end();

private:
    struct Entry;
    struct Level;
    static std::size_t depth_limit();
    void count_in(Folder top, const std::string& path);
    bool resolve(Folder& folder, Entry& entry);
    void start(const std::string& source, const std::string& destination, std::string_view password, Operation op);
    void walk(Folder source, const std::string& source_path, Folder destination, const std::string& destination_path,
              std::string_view password, Operation op);
    void descend(std::vector<std::unique_ptr<Level>>& levels, Folder source, const std::string& source_path,
                 Folder destination, const std::string& destination_path, Operation op, bool made_here);
    void folder_entry(std::vector<std::unique_ptr<Level>>& levels, const Entry& entry,
                      const std::string& destination_path, Operation op, std::size_t limit);
    void fail_below(Folder& source, const std::string& source_path, const std::string& destination_path, Operation op,
                    const IoError& error);
    void file_entry(Folder& source, const Entry& entry, Folder& destination, const std::string& out_name,
                    const std::string& target, std::string_view password, Operation op, Engine::DestinationKind where);
    void named_file(Level& here, const Entry& entry, std::string_view password, Operation op);
    void refuse(const Reason& reason, const std::string& source, const std::string& destination);
    bool passed_by(const Entry& entry, const std::string& base, std::string& real);
    bool should_stop();
    void file_finished();

    Engine& engine_;
    UserInterface& ui_;

    // State of the walk that runs.
    std::string destination_real_;  // the destination folder, resolved
    FileId destination_id_;
    // The destination folders entered in this run: one is never entered
    // twice (two names for one folder, where case is not told apart).
    std::unordered_set<FileId, FileIdHash> entered_;
    RunOutputs* outputs_ = nullptr;  // of the destination folder being written
    KeptOutput kept_;                // what the engine just kept for the run
    bool stopped_ = false;
    std::int64_t files_done_ = 0;
};

}  // namespace tarnvold
