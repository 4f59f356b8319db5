// SPDX-License-Identifier: GPL-3.0-or-later
// What became of a file, and why, as values: the engine and the folder walk
// make them where a file or folder is done with or passed by, and every
// front end tells them in its own words.  The log line, the command-line
// tool's line on standard error and the window's translated line are all
// made from the value, never from one another's text.
#pragma once

#include "io/io_status.h"

#include <cstdint>
#include <string>

namespace tarnvold {

// What a reason is, beside the message table's entries and the system's
// error numbers: why a file or folder was passed by, and the few reports of
// a run that the message table has no entry for.
enum class Why {
    None,
    Message,                    // an entry of the message table: Reason::message
    SameFile,                   // path: the destination, the source itself
    TooLarge,                   // path: a source too large to code
    TooLargeToDecode,           // path: a coded file whose contents would be
    NotRegular,                 // path: a source that is no regular file
    DamagedCodedFile,           // path: a coded file too short for its own header
    KeptOnMismatch,             // path: an existing destination left as it was
    DestinationDangling,        // path: a destination link that leads nowhere; target: where
    DestinationForeignLink,     // path: a destination link another user planted in a shared folder
    DestinationLink,            // path: a destination that is a link
    DestinationNotRegular,      // path: the destination as shown
    CannotReplace,              // path: the destination as shown; target, error: why
    DeclinedReplace,            // the user kept the existing destination
    DeclinedNewer,              // the user did not decode a newer version's file
    CannotEnter,                // path: a folder that cannot be entered; error
    IsDestinationFolder,        // path: a source folder that is the destination
    LinkIntoDestination,        // path: a link leading into the destination
    LinkBack,                   // path: a link leading back up the walk
    DestinationIsLink,          // path: the source folder; other: its destination
    DestinationNotFolder,       // path: the source folder; other: its destination
    DestinationWrittenAlready,  // path: the source folder; other: its destination
    NameTooLong,                // path: the source; other: the destination; limit
    NameNotAllowed,             // path: the destination; error: why (name_not_allowed)
    OutputWrittenAlready,       // path: the source; other: the destination; earlier
    DestinationIsSource,        // path: the source; other: the destination; target: the other source
    NoLongerExists,             // path: a chosen object that went before the command reached it
    DestinationInsideSource,    // path: a destination folder that is the source or lies inside it
    SourceInsideDestination,    // path: a source folder inside its destination
    StoppedByUser,              // a folder run stopped: done of limit files
    PasswordTakenAs,            // other: the form a password beyond ASCII was taken in
};

struct Reason {
    Why why = Why::None;
    int message = 0;       // the message table's entry, for Why::Message
    IoStatus error{};      // the failure met, where there was one
    std::string path{};    // what the reason is about
    std::string other{};   // the second path it names
    std::string target{};  // where `path` leads (CannotReplace), or the earlier source
    std::uint64_t limit = 0;
    std::uint64_t done = 0;  // StoppedByUser: the files finished of `limit`
};

// The reason as the log writes it, in English, naming its paths; empty for
// Why::None, Why::Message and the declined questions, which the message
// table and the front ends tell.
std::string reason_text(const Reason& reason);
// The same for a line that names the path `named` first: without that
// path, where the reason is about it, so that the line names it once.
std::string reason_detail(const Reason& reason, const std::string& named);

enum class Outcome {
    Done,              // coded, or decoded with a matching checksum
    Declined,          // the user answered No (overwrite, newer version)
    Refused,           // the engine would not do it (same file, too large, not a regular file,
                       // a destination that cannot be replaced)
    NotCoded,          // the source is not a coded file
    ChecksumMismatch,  // decoded, but the checksum differs: probably a wrong password.  An
                       // existing destination is then left as it was (Why::KeptOnMismatch);
                       // under a free name the output stays, for the person to look at.
};

// What became of one file, with the paths it was about and, when it was not
// done, why: a message of the table, the program's own reason, or the
// question the user declined.  Compared and switched on as its kind.
struct FileOutcome {
    Outcome kind = Outcome::Done;
    std::string source;
    std::string destination;
    Reason reason;

    operator Outcome() const { return kind; }
};

}  // namespace tarnvold
