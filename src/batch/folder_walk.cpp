// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/folder_walk.h"

#include "config/message_id.h"
#include "io/file_io.h"
#include "io/folder.h"
#include "io/paths.h"
#include "io/utf8_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace tarnvold {

namespace {

Reason cannot_enter(const std::string& folder, int error) {
    return {.why = Why::CannotEnter, .error = IoStatus::system(error), .path = folder};
}

// Opens a source folder for listing; a folder that cannot be opened is left
// closed and `error` says why.
Folder open_listing(const std::string& path, int& error) {
    try {
        return Folder::open(path, Folder::Use::List);
    } catch (const IoError& e) {
        error = e.code();
        return {};
    }
}

}  // namespace

// One entry of a source folder: its name, its full path for the log, and
// what it is, links followed (`link` tells whether it is one).  Only folders
// and regular files take part in a walk: pipes, sockets, devices and broken
// links have no contents to code (and opening a pipe would wait for a
// writer forever).
struct FolderWalk::Entry {
    std::string name;
    std::string path;
    EntryKind kind = EntryKind::Unknown;
    bool link = false;
};

// Completes what the listing said of an entry; false for an entry the walk
// passes by (not a folder or file, or one of the program's temporary files).
bool FolderWalk::resolve(Folder& folder, Entry& entry) {
    if (is_temporary_name(entry.name)) return false;
    entry.link = false;
    if (entry.kind == EntryKind::Unknown) entry.kind = folder.inspect(entry.name).kind;
    if (entry.kind == EntryKind::Link) {
        entry.link = true;
        entry.kind = folder.inspect(entry.name, true).kind;
    }
    return entry.kind == EntryKind::Folder || entry.kind == EntryKind::File;
}

Reason source_refusal(const std::string& folder) {
    int error = 0;
    return open_listing(folder, error).is_open() ? Reason{} : cannot_enter(folder, error);
}

Reason destination_refusal(const std::string& folder) {
    try {
        Folder::open(folder, Folder::Use::Write);
    } catch (const IoError& e) {
        return cannot_enter(folder, e.code());
    }
    return {};
}

std::int64_t FolderWalk::get_files_number(const std::string& folder) {
    files_number = 0;
    count_files(folder);
    return files_number;
}

// How many folders deep a count or a walk holds open at once: as many as
// the descriptors left allow, two a level (source and destination), with
// some kept for the files themselves.  A folder below that depth is
// refused, not followed.
std::size_t FolderWalk::depth_limit() {
    constexpr std::size_t kForFiles = 12;
    const std::size_t spare = spare_descriptors();
    return spare > kForFiles + 2 ? (spare - kForFiles) / 2 : 1;
}

void FolderWalk::count_files(const std::string& folder) {
    int error = 0;
    Folder listing = open_listing(folder, error);
    if (listing.is_open()) count_in(std::move(listing), folder);
}

namespace {

// The next entry of a folder being counted: a listing that fails midway
// counts what it gave.
bool next_counted(Folder& folder, std::string& name, EntryKind& kind) {
    try {
        return folder.next(name, kind);
    } catch (const IoError&) {
        return false;
    }
}

}  // namespace

// One folder of a count's descent.
struct CountLevel {
    Folder folder;
    FileId id;
    std::string base;  // its full path, joined with its entries' names
    std::string real;  // resolved, once a link needs it
};

void FolderWalk::count_in(Folder top, const std::string& path) {
    // The descent is kept here, not on the call stack, so that no depth of
    // tree can exhaust the stack.
    std::vector<CountLevel> levels;
    const std::size_t limit = depth_limit();
    const auto enter = [&](Folder folder, const std::string& shown) {
        CountLevel level{std::move(folder), {}, full_folder_path(shown), {}};
        try {
            level.id = level.folder.id();
        } catch (const IoError&) {
            return;
        }
        // A loop made without links (bind mounts) is not counted twice.
        for (const auto& up : levels)
            if (up.id == level.id) return;
        ui_.log_line(ui_.message(msg::kScanning), shown);
        ui_.process_events();
        levels.push_back(std::move(level));
    };
    enter(std::move(top), path);
    Entry entry;
    while (!levels.empty()) {
        CountLevel& here = levels.back();
        if (!next_counted(here.folder, entry.name, entry.kind)) {
            levels.pop_back();
            continue;
        }
        if (!resolve(here.folder, entry)) continue;
        if (entry.kind == EntryKind::File) {
            ++files_number;
            continue;
        }
        entry.path = entry_path(here.base, entry.name);
        if (entry.link) {
            if (here.real.empty()) here.real = real_path(here.base);
            if (path_at_or_below(here.real, real_path(entry.path))) continue;
        }
        // Not counted when too deep or not entered: the walk tells why
        // when it gets there.
        if (levels.size() >= limit) continue;
        try {
            enter(here.folder.child(entry.name, Folder::Use::List, entry.link, entry.path), entry.path);
        } catch (const IoError&) {
        }
    }
}

Reason FolderWalk::stop_reason() const {
    return {.why = Why::StoppedByUser,
            .limit = static_cast<std::uint64_t>(files_number),
            .done = static_cast<std::uint64_t>(files_done_)};
}

void FolderWalk::codedirs(const std::string& source, const std::string& destination, std::string_view password) {
    start(source, destination, password, Operation::Code);
}

void FolderWalk::decodedirs(const std::string& source, const std::string& destination, std::string_view password) {
    start(source, destination, password, Operation::Decode);
}

std::int64_t FolderWalk::announce(Operation op, const std::string& source) {
    const std::int64_t count = folder_progress_start(source);
    ui_.log_line(ui_.message(start_files_message(op)), count);
    return count;
}

void FolderWalk::run(Operation op, const std::string& source, const std::string& destination,
                     std::string_view password) {
    ui_.log_line(ui_.message(msg::kFilesStoredIn));
    ui_.log_line(destination);
    start(source, destination, password, op);
}

void FolderWalk::start(const std::string& source, const std::string& destination, std::string_view password,
                       Operation op) {
    stopped_ = false;
    files_done_ = 0;
    entered_.clear();
    outputs_ = nullptr;
    // The outputs of this run are never replaced by a later file of it.
    engine_.keep_existing = [this](const FileId& existing) {
        if (outputs_ == nullptr) return false;
        const auto found = outputs_->find(existing);
        if (found == outputs_->end()) return false;
        kept_ = {Why::OutputWrittenAlready, found->second};
        return true;
    };
    struct Forget {
        FolderWalk& walk;
        ~Forget() {
            walk.engine_.keep_existing = nullptr;
            walk.outputs_ = nullptr;
            walk.entered_.clear();
        }
    } forget{*this};
    destination_real_ = real_path(destination);

    int error = 0;
    Folder from = open_listing(source, error);
    if (!from.is_open()) return refuse(cannot_enter(source, error), source, destination);
    Folder to = Folder::open(destination, Folder::Use::Write);
    destination_id_ = to.id();
    entered_.insert(destination_id_);
    walk(std::move(from), source, std::move(to), destination, password, op);
    if (stopped_) ui_.log_reason(stop_reason());
}

// One more file of the count is finished: the folder progress moves on.
void FolderWalk::file_finished() {
    ++files_done_;
    ui_.bar_step(ProgressBarId::Folder);
    ui_.process_events();
}

bool FolderWalk::should_stop() {
    if (!stopped_ && stop_requested && stop_requested()) stopped_ = true;
    return stopped_;
}

void FolderWalk::refuse(const Reason& reason, const std::string& source, const std::string& destination) {
    ui_.file_begins(source);
    ui_.log_reason(reason);
    if (on_file) on_file(source, destination, FileOutcome{Outcome::Refused, source, destination, reason});
}

// True for a link to a folder that the walk passes by, with its log line:
// one that leads into the destination, or back to a folder being walked.
// `real` is the folder `base` resolved, found once a link needs it.
bool FolderWalk::passed_by(const Entry& entry, const std::string& base, std::string& real) {
    if (!entry.link) return false;
    const std::string target = real_path(entry.path);
    Why why = Why::None;
    if (path_at_or_below(target, destination_real_)) {
        why = Why::LinkIntoDestination;
    } else {
        if (real.empty()) real = real_path(base);
        if (path_at_or_below(real, target)) why = Why::LinkBack;
    }
    if (why == Why::None) return false;
    ui_.log_reason({.why = why, .path = entry.path});
    return true;
}

// One folder of a walk's descent: the source folder being listed and the
// destination folder its outputs go to, with what the walk keeps of each.
struct FolderWalk::Level {
    Folder source;
    std::string source_path;
    Folder destination;
    std::string destination_path;
    FileId id{};               // the source folder's
    std::uint64_t volume = 0;  // the destination folder's
    std::string base;          // the source's full path, joined with its entries' names
    std::string real{};        // the source resolved, once a link needs it
    RunOutputs outputs{};      // written into the destination folder
    GivenNames given;
};

void FolderWalk::walk(Folder source, const std::string& source_path, Folder destination,
                      const std::string& destination_path, std::string_view password, Operation op) {
    // The descent is kept here, not on the call stack, so that no depth of
    // tree can exhaust the stack; how deep it goes is bounded by the
    // descriptors at hand.
    std::vector<std::unique_ptr<Level>> levels;
    const std::size_t limit = depth_limit();
    struct Restore {
        RunOutputs*& current;
        ~Restore() { current = nullptr; }
    } restore{outputs_};
    descend(levels, std::move(source), source_path, std::move(destination), destination_path, op, false);
    Entry entry;
    while (!levels.empty()) {
        Level& here = *levels.back();
        outputs_ = &here.outputs;
        if (should_stop() || !here.source.next(entry.name, entry.kind)) {
            // The outputs are on disk before the run reports them done:
            // once for the destination's file system, and once more for
            // each other one a destination folder lies on.
            if (levels.size() == 1 || levels[levels.size() - 2]->volume != here.volume)
                here.destination.flush_file_system();
            levels.pop_back();
            continue;
        }
        if (!resolve(here.source, entry)) continue;
        entry.path = entry_path(here.base, entry.name);
        // Joined as given: a destination ending in "/" gives "//" here, which
        // names the same place.
        if (entry.kind == EntryKind::Folder) {
            here.given.give(entry.name);
            if (passed_by(entry, here.base, here.real)) continue;
            const std::string target = joined_path(here.destination_path, entry.name);
            if (const IoKind refused = name_not_allowed(entry.name); refused != IoKind::None) {
                refuse({.why = Why::NameNotAllowed, .error = refused, .path = target}, entry.path, target);
                continue;
            }
            folder_entry(levels, entry, target, op, limit);
            continue;
        }
        named_file(here, entry, password, op);
    }
}

// A file of the walk: refused when its output's name cannot be made in the
// destination folder, otherwise handed to the file operation.
void FolderWalk::named_file(Level& here, const Entry& entry, std::string_view password, Operation op) {
    const std::string out_name = output_name(op, entry.name);
    const std::string target = joined_path(here.destination_path, out_name);
    if (name_length(out_name) > here.destination.name_limit()) {
        refuse({.why = Why::NameTooLong, .path = entry.path, .other = target, .limit = here.destination.name_limit()},
               entry.path, target);
        return file_finished();
    }
    if (const IoKind refused = name_not_allowed(out_name); refused != IoKind::None) {
        refuse({.why = Why::NameNotAllowed, .error = refused, .path = target}, entry.path, target);
        return file_finished();
    }
    file_entry(here.source, entry, here.destination, out_name, target, password, op,
               here.given.give(out_name) ? Engine::DestinationKind::FreeName : Engine::DestinationKind::Unknown);
}

void FolderWalk::descend(std::vector<std::unique_ptr<Level>>& levels, Folder source, const std::string& source_path,
                         Folder destination, const std::string& destination_path, Operation op, bool made_here) {
    auto level = std::make_unique<Level>(Level{.source = std::move(source),
                                               .source_path = source_path,
                                               .destination = std::move(destination),
                                               .destination_path = destination_path,
                                               .base = full_folder_path(source_path),
                                               .given = GivenNames(made_here)});
    try {
        level->id = level->source.id();
        level->volume = level->destination.id().volume;
    } catch (const IoError& e) {
        return refuse(cannot_enter(source_path, e.code()), source_path, destination_path);
    }
    ui_.log_line(ui_.message(files_in_message(op)), source_path);
    ui_.process_events();
    // What an earlier run that was killed left here goes before this one
    // writes: a folder the walk made holds nothing of the kind.
    if (!made_here) level->destination.remove_stale_temporaries();
    levels.push_back(std::move(level));
}

void FolderWalk::folder_entry(std::vector<std::unique_ptr<Level>>& levels, const Entry& entry,
                              const std::string& destination_path, Operation op, std::size_t limit) {
    Level& here = *levels.back();
    // Too deep for the descriptors left: refused like any folder that
    // cannot be entered, and the walk goes on.
    if (levels.size() >= limit) return refuse(cannot_enter(entry.path, EMFILE), entry.path, destination_path);
    Folder from;
    FileId id;
    try {
        from = here.source.child(entry.name, Folder::Use::List, entry.link, entry.path);
        id = from.id();
    } catch (const IoError& e) {
        return refuse(cannot_enter(entry.path, e.code()), entry.path, destination_path);
    }
    // A loop made without links (bind mounts).
    for (const auto& level : levels)
        if (level->id == id) return;
    if (id == destination_id_) {
        ui_.log_reason({.why = Why::IsDestinationFolder, .path = entry.path});
        return;
    }
    // The destination folder is made, or taken when it is there already as
    // a real folder: never one that is a link, which could lead anywhere.
    bool made = false;
    Folder to;
    try {
        made = here.destination.make_child(entry.name);
        to = here.destination.child(entry.name, Folder::Use::Write, false, destination_path);
    } catch (const IoError& e) {
        if (e.code() == EMFILE || e.code() == ENFILE)
            return refuse(cannot_enter(entry.path, e.code()), entry.path, destination_path);
        if (e.code() != ENOTDIR) {
            if (!on_io_error) throw;
            return fail_below(from, entry.path, destination_path, op, e);
        }
        const bool link = here.destination.inspect(entry.name).kind == EntryKind::Link;
        return refuse({.why = link ? Why::DestinationIsLink : Why::DestinationNotFolder,
                       .path = entry.path,
                       .other = destination_path},
                      entry.path, destination_path);
    }
    if (!entered_.insert(to.id()).second)
        return refuse({.why = Why::DestinationWrittenAlready, .path = entry.path, .other = destination_path},
                      entry.path, destination_path);
    descend(levels, std::move(from), entry.path, std::move(to), destination_path, op, made);
}

// A destination folder that could not be made: every file below its source
// folder fails with that error, named one by one, and the walk goes on.
// Folders are listed from a stack, not by recursion, each one once.
void FolderWalk::fail_below(Folder& source, const std::string& source_path, const std::string& destination_path,
                            Operation op, const IoError& error) {
    struct Pending {
        Folder folder;
        std::string source, destination;
    };
    std::vector<Pending> pending;
    std::unordered_set<FileId, FileIdHash> seen;
    pending.push_back({std::move(source), source_path, destination_path});
    while (!pending.empty() && !should_stop()) {
        Pending level = std::move(pending.back());
        pending.pop_back();
        try {
            if (!seen.insert(level.folder.id()).second) continue;
            const std::string base = full_folder_path(level.source);
            Entry entry;
            while (!should_stop() && level.folder.next(entry.name, entry.kind)) {
                if (!resolve(level.folder, entry)) continue;
                entry.path = entry_path(base, entry.name);
                if (entry.kind == EntryKind::Folder) {
                    try {
                        pending.push_back({level.folder.child(entry.name, Folder::Use::List, entry.link, entry.path),
                                           entry.path, level.destination + "/" + entry.name});
                    } catch (const IoError& e) {
                        refuse(cannot_enter(entry.path, e.code()), entry.path, level.destination);
                    }
                    continue;
                }
                ++files_done_;
                ui_.bar_step(ProgressBarId::Folder);
                on_io_error(entry.path, level.destination + "/" + output_name(op, entry.name), error);
            }
        } catch (const IoError& e) {
            refuse(cannot_enter(level.source, e.code()), level.source, level.destination);
        }
    }
}

void FolderWalk::file_entry(Folder& source, const Entry& entry, Folder& destination, const std::string& out_name,
                            const std::string& target, std::string_view password, Operation op,
                            Engine::DestinationKind where) {
    kept_ = {};
    const InFolder from{&source, entry.name, entry.link};
    const InFolder to{&destination, out_name, false};
    if (on_file_begins) on_file_begins(entry.path, target);
    // A file entry is a regular file, as listed or as examined (resolve).
    FileOutcome outcome;
    try {
        outcome = engine_.operate(op, entry.path, target, password, Engine::SourceKind::ListedFile, where, from, to);
    } catch (const IoError& error) {
        if (!on_io_error) throw;
        ++files_done_;
        ui_.bar_step(ProgressBarId::Folder);
        on_io_error(entry.path, target, error);
        return;
    }
    // Two names of this run that give the same output name: the first
    // output stays.
    settle_output(engine_, ui_, kept_, *outputs_, outcome, entry.path, target);
    file_finished();
    if (on_file) on_file(entry.path, target, outcome);
}

std::int64_t FolderWalk::folder_progress_start(const std::string& source) {
    const std::int64_t count = get_files_number(source);
    ui_.bar_setup(ProgressBarId::Folder, 0, count, 1);
    ui_.bar_set_position(ProgressBarId::Folder, 0);
    ui_.label_set_visible(LabelId::Folder, true);
    return count;
}

void FolderWalk::folder_progress_end() { ui_.label_set_visible(LabelId::Folder, false); }

}  // namespace tarnvold
