// SPDX-License-Identifier: GPL-3.0-or-later
// The English words of the reasons: the log's, the command-line tool's and
// the window's when no translation is loaded.
#include "engine/outcome.h"

#include "io/file_io.h"

namespace tarnvold {

namespace {

// How a reason's text places the path it is about.
enum class Placing { Before, After, PassedBy, Inside };

Placing placing(Why why) {
    switch (why) {
    case Why::SameFile:
    case Why::TooLarge:
    case Why::TooLargeToDecode:
    case Why::NameNotAllowed: return Placing::After;
    case Why::NotRegular:
    case Why::DamagedCodedFile:
    case Why::KeptOnMismatch:
    case Why::DestinationDangling:
    case Why::DestinationForeignLink:
    case Why::DestinationLink:
    case Why::DestinationNotRegular: return Placing::Before;
    case Why::NoLongerExists: return Placing::Before;
    case Why::DestinationInsideSource:
    case Why::SourceInsideDestination: return Placing::After;
    case Why::IsDestinationFolder:
    case Why::LinkIntoDestination:
    case Why::LinkBack:
    case Why::DestinationIsLink:
    case Why::DestinationNotFolder:
    case Why::DestinationWrittenAlready:
    case Why::NameTooLong:
    case Why::OutputWrittenAlready:
    case Why::DestinationIsSource: return Placing::PassedBy;
    default: return Placing::Inside;
    }
}

// The words of a reason around its path; the whole text where the path
// sits inside it.
std::string words(const Reason& r) {
    switch (r.why) {
    case Why::None:
    case Why::Message:
    case Why::DeclinedReplace:
    case Why::DeclinedNewer: return {};
    case Why::SameFile: return "Source and destination are the same file, nothing was written";
    case Why::TooLarge: return "Files of 2 GiB (2147483648 bytes) or more cannot be coded";
    case Why::TooLargeToDecode:
        return "Coded files whose contents would be 2 GiB (2147483648 bytes) or more cannot be decoded";
    case Why::NotRegular: return "is not a regular file";
    case Why::DamagedCodedFile: return "is a damaged coded file: it is too short for its own header";
    case Why::KeptOnMismatch: return "kept; the decoded data did not match";
    case Why::DestinationDangling:
        return "is a symbolic link to " + r.target + ", which does not exist; nothing was written through it";
    case Why::DestinationForeignLink:
        return "is a symbolic link of another user in a shared folder; it is not followed";
    case Why::DestinationLink: return "is a symbolic link, which a folder run does not follow";
    case Why::DestinationNotRegular: return "is not a regular file and cannot be replaced";
    case Why::CannotReplace: return "Cannot replace " + r.path + ": " + IoError(r.target, r.error).reason();
    case Why::CannotEnter: return "Cannot enter folder " + r.path + ": " + IoError(r.path, r.error).reason();
    case Why::IsDestinationFolder: return "it is the destination folder";
    case Why::LinkIntoDestination: return "the link leads into the destination folder";
    case Why::LinkBack: return "the link leads back to a folder being walked";
    case Why::DestinationIsLink: return "its destination " + r.other + " is a symbolic link";
    case Why::DestinationNotFolder: return "its destination " + r.other + " is not a folder";
    case Why::DestinationWrittenAlready:
        return "its destination " + r.other + " was already written in this run under another name";
    case Why::NameTooLong:
        return "the name of its destination is longer than the " + std::to_string(r.limit) + " " + name_length_unit() +
               " the file system allows: " + r.other;
    case Why::NameNotAllowed: return IoError(r.path, r.error).reason();
    case Why::OutputWrittenAlready:
        return "its destination " + r.other + " was already written in this run from " + r.target;
    case Why::DestinationIsSource: return "its destination " + r.other + " is " + r.target + ", a source of this run";
    case Why::NoLongerExists: return "no longer exists";
    case Why::DestinationInsideSource:
        return "The destination folder is the source folder or lies inside it, nothing was written";
    case Why::SourceInsideDestination:
        return "The source folder lies inside the destination folder, nothing was written";
    case Why::StoppedByUser:
        return "Stopped by the user after " + std::to_string(r.done) + " of " + std::to_string(r.limit) +
               (r.limit == 1 ? " file" : " files");
    case Why::PasswordTakenAs: return "Password taken as " + r.other;
    }
    return {};
}

}  // namespace

std::string reason_text(const Reason& r) {
    std::string text = words(r);
    if (text.empty()) return text;
    switch (placing(r.why)) {
    case Placing::After: return text + ": " + r.path;
    case Placing::Before: return r.path + " " + text;
    case Placing::PassedBy: return "Passed by " + r.path + ": " + text;
    case Placing::Inside: break;
    }
    return text;
}

std::string reason_detail(const Reason& r, const std::string& named) {
    if (r.path != named) return reason_text(r);
    // The reasons that name their path inside, told after it instead.
    if (r.why == Why::CannotReplace) return "cannot be replaced: " + IoError(r.target, r.error).reason();
    if (r.why == Why::CannotEnter) return "cannot be entered: " + IoError(r.path, r.error).reason();
    if (placing(r.why) == Placing::Inside) return reason_text(r);
    return words(r);
}

}  // namespace tarnvold
