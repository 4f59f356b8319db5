// SPDX-License-Identifier: GPL-3.0-or-later
// Files as the engine sees them: the system's handles wrapped so that every
// one is closed on every path, errors that carry the system's error code and
// the file's path, and outputs that only appear under their real name once
// they are complete.  Nothing here names a type of one system: this build's
// side is file_io_posix.cpp, output_file.cpp and output_file_posix.cpp (and
// folder_posix.cpp for io/folder.h).
#pragma once

#include "io/io_status.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace tarnvold {

class Folder;

// An open file or folder as the system knows it: a descriptor here, a
// HANDLE on Windows; kNoHandle when there is none.
using SystemHandle = std::intptr_t;
inline constexpr SystemHandle kNoHandle = -1;

// What tells one file from every other while it exists: its volume and its
// number there (device and inode here).
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// An input/output failure: its kind and, for a system error, the system's
// error number (errno), which gives its text.
class IoError : public std::runtime_error {
public:
    // A system error: `code` is the system's error number.
    IoError(std::string path, int code);
    IoError(std::string path, IoStatus status);
    const std::string& path() const { return path_; }
    IoKind kind() const { return status_.kind; }
    // The system's error number; 0 for the program's own kinds.
    int code() const { return status_.error; }
    IoStatus status() const { return status_; }
    // The description of the error: the system's, or the program's own.
    std::string reason() const;

private:
    std::string path_;
    IoStatus status_;
};

// The text shown for an error: the full stop rule adds "." to a text whose
// last character comes after "." in character order (a letter or a digit).
std::string with_full_stop(std::string text);

// Why this system cannot give `name` to a new file or folder: None when it
// can, otherwise IoKind::DeviceName (Windows keeps CON, PRN, AUX, NUL,
// COM1-COM9 and LPT1-LPT9 for its devices, with any extension) or
// IoKind::NameNotAllowed (on Windows a name that ends in a dot or a space,
// or holds < > : " | ? * or a control character).  Separators and "." or
// ".." are not looked at here.
IoKind name_not_allowed(std::string_view name);
// The length of a name in the units this system's file systems count and
// the word for them: bytes here, UTF-16 units on Windows.
std::size_t name_length(std::string_view name);
const char* name_length_unit();

// True when a file (not a folder) exists under the path; links are followed.
bool file_exists(const std::string& path);

// True when both paths name the same file, through links and hard links.
bool same_file(const std::string& a, const std::string& b);

// Size of an existing file, or -1 when it cannot be examined.
std::int64_t file_size_or_minus1(const std::string& path);

// What writing to a path would meet.  Symbolic links are followed to the
// file they lead to, which is what gets written.  A link whose target does
// not exist is `dangling` and nothing is written through it; a link that
// another user owns in a folder everyone may write to and that has the
// sticky bit (/tmp) is a `foreign_link`, not followed at all (the system's
// own rule for such folders, which it cannot apply to a link the program
// follows itself).
//
// A destination inside a folder held open (a folder run's) is reached
// through that folder only, and a link under its name is not followed: it
// counts as an existing file that is not a regular one (`link`).
struct Destination {
    std::string path;    // as given
    std::string target;  // with every link followed
    bool exists = false;
    bool regular = false;       // only a regular file is ever replaced
    bool link = false;          // a link under the name of a destination in a held folder
    bool dangling = false;      // links that lead to nothing; `target`: where
    bool foreign_link = false;  // another user's link in a shared sticky folder
    // For an existing regular file: the error a truncating open for writing
    // would meet (0 when it would succeed).
    int write_error = 0;
    FileId id;
    // Set for a destination in a held folder: the folder and the name in it.
    const Folder* folder = nullptr;
    std::string name;
    // Standard output (io/std_streams.h): written in order, never created
    // or replaced; `regular` and `id` tell a regular file it goes to.
    bool standard_output = false;

    // The name to show: the path, and where it leads when that differs.
    std::string shown() const { return target == path ? path : path + " -> " + target; }
};
Destination inspect_destination(const std::string& path);
// The same for the name `name` in a folder held open; `shown` is its path.
Destination inspect_destination(const Folder& folder, std::string_view name, const std::string& shown);
// A name in a held folder that is known to be free, not looked at.
Destination free_destination(const Folder& folder, std::string_view name, const std::string& shown);

// What a source path names, links followed.
struct SourceInfo {
    bool exists = false;  // false also when it cannot be examined: opening it then tells why
    bool regular = false;
    std::int64_t size = 0;
    FileId id;
};
SourceInfo inspect_source(const std::string& path);

class InputFile {
public:
    // Opens a regular file read-only; anything else raises kNotRegularFile.
    // Throws IoError.
    explicit InputFile(const std::string& path);
    // The file `name` in a folder held open, shown as `shown`; a link under
    // the name is followed only when `follow_link` (otherwise it fails).
    InputFile(const Folder& folder, std::string_view name, bool follow_link, const std::string& shown);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The size when the file was opened.
    std::int64_t size() const { return size_; }
    FileId id() const { return id_; }
    void seek(std::int64_t position);
    // Reads exactly count bytes; a shorter file raises kEndOfFile.
    void read_exact(void* buf, std::size_t count);
    // Reads until count bytes or the end of the file; returns how many came.
    // Once at least `enough` bytes came, a read that returns fewer than it
    // was asked for is taken as the end of the file.
    std::size_t read_upto(void* buf, std::size_t count, std::size_t enough);
    // True when the file now holds a byte at `offset` (it grew beyond it).
    bool has_byte_at(std::int64_t offset) const;
    void close();
    const std::string& path() const { return path_; }

    // Reads shared out in pieces: begin_read() makes the checks read_exact
    // makes before it reads, then read_at() fetches pieces at given offsets
    // from any thread without moving the file position (seek() moves it on
    // afterwards).  read_at returns the failure, if any (EndOfFile past the
    // end).
    std::int64_t position() const;
    void begin_read();
    IoStatus read_at(void* buf, std::size_t count, std::int64_t offset) const noexcept;

private:
    void opened();
    std::string path_;
    SystemHandle fd_ = kNoHandle;
    std::int64_t size_ = 0;
    FileId id_;
};

// A per-thread buffer of kScratchSize bytes for pieces of a file, or null
// when memory is short.
inline constexpr std::size_t kScratchSize = 512u << 10;
unsigned char* piece_scratch() noexcept;

// A file written in the destination's folder, unnamed where the file system
// allows it and under a short hidden temporary name elsewhere (see
// is_temporary_name), which becomes the destination only by commit(), after
// its last byte.  When it is destroyed without a commit, nothing of it stays
// behind; a named temporary file is also removed when the process is
// interrupted (install_interrupt_cleanup).
//
// Only a regular file, or nothing, is replaced: a folder, device, named pipe
// or socket under the destination's name, and an existing file this user
// could not open for writing, raise IoError before anything is made.  Links
// are followed, and the file they lead to is replaced, except in a held
// folder, where they are refused.  A name that was free when the output was
// begun is never taken from a file that appeared there meanwhile: the
// commit then fails with EEXIST and that file stays.
class OutputFile {
public:
    explicit OutputFile(const std::string& destination);  // throws IoError
    explicit OutputFile(const Destination& destination);  // already inspected
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write_all(const void* buf, std::size_t count);
    // Writes shared out in pieces, as for InputFile: begin_write() makes
    // write_all's checks, write_at() writes a piece at an offset from any
    // thread (0 or the error number), seek() sets where write_all goes on.
    std::int64_t position() const;
    void begin_write();
    int write_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept;
    void seek(std::int64_t offset);
    // False for standard output, which takes its bytes in order only:
    // write_at() fails there with ESPIPE, and seek() goes nowhere but to
    // where the bytes written so far end.
    bool positioned() const { return !stream_; }
    // Makes the written bytes the destination, once they are on disk; an
    // existing destination is replaced in one step.  An output in a held
    // folder is the exception: its holder flushes the folder's file system
    // once for all its outputs (Folder::flush_file_system) before it reports
    // them done, since waiting for the disk at every one of many small files
    // would cost most of a run's time.
    void commit();
    // The written file's identity, known once commit() has begun.
    FileId identity() const { return identity_; }
    const std::string& path() const { return destination_; }

private:
    // Each system's own side (output_file_posix.cpp, output_file_windows.cpp):
    // making the file once its folder and name are known, and what the
    // public calls do for it when it is not standard output.
    void create();
    void write_file(const void* buf, std::size_t count);
    std::int64_t file_position() const;
    int write_file_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept;
    void seek_file(std::int64_t offset);
    void commit_file();
    void discard() noexcept;
    void name_temporary();
    void forget_temporary() noexcept;
    // The steps of commit() on POSIX systems (output_file_posix.cpp).
    void commit_under_free_name();
    void keep_rights_and_sync();
    void sync_new_file();
    static void sync_folder(int dir) noexcept;
    void name_unnamed_file();
    void move_into_place();

    std::string destination_;             // as given, for messages
    std::unique_ptr<Folder> own_folder_;  // the target's folder, for a destination given by path
    const Folder* folder_ = nullptr;      // the folder written in
    std::string name_;                    // the target's name in it
    std::string temp_name_;               // empty while the file has no name of its own
    int temp_slot_ = -1;                  // its place among the names removed on interruption
    bool target_existed_ = false;
    SystemHandle fd_ = kNoHandle;
    bool committed_ = false;
    FileId identity_;
    bool stream_ = false;        // standard output: every byte went out as it was written
    std::int64_t streamed_ = 0;  // the bytes sent there
};

// True when `name` is exactly of the form this program gives its named
// temporary files: ".tvtmp-", the number of the process that made it in ten
// digits, "-" and a counter in eight lower-case hexadecimal digits (26
// bytes).  Folder runs never take such a file as an input; any other name,
// however alike, is an ordinary file.
//
// While it writes, the program holds a lock on its temporary file (flock
// here; on Windows the file is open without delete sharing), and a folder
// run removes a temporary only when it can take that lock itself: a file
// no process holds, whatever the process numbers in its name say (they mean
// nothing in another process-number space or on another machine).
bool is_temporary_name(std::string_view name);
// The number of the process that made a temporary file of that name, or -1.
long temporary_owner(std::string_view name);

// Named temporary files are removed when the process is interrupted:
// handlers for SIGINT, SIGTERM and SIGHUP (each unless it is ignored) remove
// every live one, restore the signal's default action and raise it again.
void install_interrupt_cleanup();
// Removes every live named temporary file now; safe inside a signal handler.
void remove_temporaries_now() noexcept;

}  // namespace tarnvold

namespace tarnvold {

// A seam for tests: when set, it is asked before every file operation of the
// engine and may make it fail with the returned error number (0 lets it run).
// TmpFile is asked before an unnamed temporary file is tried: an error there
// acts as a file system without them.
enum class IoOp { OpenRead, Read, Seek, CreateOutput, Write, Sync, Rename, Close, TmpFile };
using IoFaultHook = int (*)(IoOp op, const std::string& path, void* context);
void set_io_fault_hook(IoFaultHook hook, void* context);

}  // namespace tarnvold
