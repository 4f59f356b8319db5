// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own English texts beyond the message table: why the engine
// and the folder walk pass a file or folder by, and the few reports of the
// commands.  They are written here and nowhere else, so that a translation
// can take them over in one place.
//
// A reason travels as a value (Reason) from where it arises to whoever
// tells it: the log line, the command-line tool's line on standard error
// and the window are all made from the value, never from one another.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvold {

// What a reason is, beside the message table's entries and the system's
// error numbers.
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
};

struct Reason {
    Why why = Why::None;
    int message = 0;       // the message table's entry, for Why::Message
    int error = 0;         // the system's error number, where it gave one
    std::string path{};    // what the reason is about
    std::string other{};   // the second path it names
    std::string target{};  // where `path` leads (CannotReplace), or the earlier source
    std::uint64_t limit = 0;
};

// The reason as the log writes it, naming its paths; empty for Why::None,
// Why::Message and the declined questions, which the message table and the
// front ends tell.
std::string reason_text(const Reason& reason);
// The same for a line that names the path `named` first: without that
// path, where the reason is about it, so that the line names it once.
std::string reason_detail(const Reason& reason, const std::string& named);

// The commands' refusals.
std::string refusal_inside_source(const std::string& destination);
std::string refusal_source_inside(const std::string& source);
std::string no_longer_exists(const std::string& path);
// The folder walk's report after a stop.
std::string stop_report_text(std::int64_t done, std::int64_t count);
// The test command's line for a password that matches: alone, and naming
// the file.
std::string password_matches();
std::string password_matches(const std::string& path);
// The test command's line for a password beyond ASCII, naming the form it
// matched in.
std::string password_matches_as(const std::string& form);
// The log line that names the form a password holding letters beyond ASCII
// was taken in ("UTF-8", "Windows-1250").
std::string password_taken_as(const std::string& form);
// A password that cannot be written in the code page `form` it must take,
// naming the first letter that has no byte there.
std::string password_letter_missing(const std::string& letter, const std::string& form);
// A source that changed while it was coded to standard output, where the
// bytes already sent cannot be taken back.
std::string changed_while_streaming();

}  // namespace tarnvold
