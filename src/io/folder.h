// SPDX-License-Identifier: GPL-3.0-or-later
// Folders held open.  A folder run reaches everything below its source and
// destination through the folder it is in, opened once, and never again
// through a path: a folder swapped for a link after it was entered changes
// nothing, the run goes on in the folder it opened.  Only the folders of the
// current descent are open, so the handles in use grow with the depth of a
// tree, not with its size.
//
// This build's side is folder_posix.cpp; nothing here names a type of one
// system.
#pragma once

#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tarnvold {

// What a name in a folder is.  A listing says Unknown where it cannot tell
// without a look (inspect then tells).
enum class EntryKind { Missing, Folder, File, Link, Other, Unknown };

struct EntryInfo {
    EntryKind kind = EntryKind::Missing;
    FileId id;
};

// How many more files and folders this process may hold open at once
// before the system refuses (the limit of descriptors less those in use);
// a large number where there is no such limit.
std::size_t spare_descriptors();

class Folder {
public:
    // What the folder is opened for: listing its entries (a source), or
    // making folders and files in it (a destination; it need not be
    // readable then).
    enum class Use { List, Write };

    Folder();  // none
    ~Folder();
    Folder(Folder&&) noexcept;
    Folder& operator=(Folder&&) noexcept;

    // The folder a path names; links in the path are followed.  Throws
    // IoError naming the path.
    static Folder open(const std::string& path, Use use);

    bool is_open() const { return state_ != nullptr; }
    // Its path, for messages only: the path it was opened by, or the one
    // given to child().
    const std::string& path() const;
    FileId id() const;

    // The folder `name` inside this one, shown as `shown`.  A link under
    // the name is followed only with `follow_link`; otherwise it fails with
    // ENOTDIR, as anything else that is not a folder does.  Throws IoError
    // naming `shown`.
    Folder child(std::string_view name, Use use, bool follow_link, const std::string& shown) const;
    // Makes the folder `name` inside this one: true when it was made, false
    // when the name was taken already (by anything).  Other failures throw
    // IoError naming path()/name.
    bool make_child(std::string_view name) const;
    // What is under `name` here; a link is followed only with `follow_link`
    // (Missing when it leads nowhere).
    EntryInfo inspect(std::string_view name, bool follow_link = false) const;
    // True when this folder is `outer` or lies anywhere below it, told by
    // the folders' identities from this one up to the root, whatever path
    // either was opened by (links, bind mounts, another spelling).  False
    // also when the way up cannot be followed.
    bool is_within(const Folder& outer) const;
    // The longest name, in bytes, this folder's file system allows.
    std::size_t name_limit() const;

    // The next entry of a folder opened for listing ("." and ".." left out),
    // in the order the file system gives them: its name and its kind as the
    // listing tells it.  False at the end.  Throws IoError when the listing
    // fails.
    bool next(std::string& name, EntryKind& kind);

    // Removes the temporary files (is_temporary_name) that no process holds
    // any longer in this folder; those being written stay.  Returns how many
    // were removed.  Failures are passed over: the files then stay for a
    // later run.
    std::size_t remove_stale_temporaries() const;

    // Puts everything written on this folder's file system on disk (the
    // outputs made in it without waiting for the disk).  Throws IoError.
    // On Windows each output is flushed as it is committed, and this does
    // nothing.
    void flush_file_system() const;

    // For the platform layer's own use.
    SystemHandle native_handle() const;

private:
    struct State;
    explicit Folder(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace tarnvold
