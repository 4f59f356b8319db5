// SPDX-License-Identifier: GPL-3.0-or-later
// What kind of failure a file operation met, as a value: the system's
// errors grouped by what they mean to the person, beside the system's own
// number, and the program's own findings, which have no number.
#pragma once

namespace tarnvold {

enum class IoKind {
    None,
    // The system's errors; IoStatus::error holds the number.
    Other,       // none of the groups below
    NotFound,    // ENOENT, ENOTDIR: nothing there, or a path through a file
    Permission,  // EACCES, EPERM, EROFS
    Exists,      // EEXIST
    NoSpace,     // ENOSPC, EDQUOT
    IsFolder,    // EISDIR
    // The program's own findings; no system number.
    EndOfFile,           // a read ran past the end of the file
    NotRegularFile,      // not a file of data: a device, named pipe or socket
    ChangedWhileCoding,  // a source whose size or contents changed while it was coded
    DeviceName,          // a device's name on Windows (see name_not_allowed)
    NameNotAllowed,      // a name Windows cannot hold (see name_not_allowed)
};

// The kind of the system's error number `error`; None for 0.
IoKind kind_of_error(int error);

// A failure, or none: its kind and, for a system error, its number.
struct IoStatus {
    IoKind kind = IoKind::None;
    int error = 0;

    IoStatus() = default;
    // A system error (0: none).
    static IoStatus system(int error) { return IoStatus(kind_of_error(error), error); }
    // One of the program's own kinds.
    IoStatus(IoKind own) : kind(own) {}  // NOLINT(google-explicit-constructor): a kind is a status

    explicit operator bool() const { return kind != IoKind::None; }

private:
    IoStatus(IoKind k, int e) : kind(k), error(e) {}
};

}  // namespace tarnvold
