// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/program_texts.h"

#include <cstring>

#include "io/file_io.h"

namespace tarnvold {

std::string refusal_same_file(const std::string& path) {
    return "Source and destination are the same file, nothing was written: " + path;
}

std::string refusal_too_large(const std::string& path) {
    return "Files of 2 GiB (2147483648 bytes) or more cannot be coded: " + path;
}

std::string refusal_too_large_to_decode(const std::string& path) {
    return "Coded files whose contents would be 2 GiB (2147483648 bytes) or more cannot be decoded: " + path;
}

std::string refusal_not_regular(const std::string& path) { return path + " is not a regular file"; }

std::string refusal_inside_source(const std::string& destination) {
    return "The destination folder is the source folder or lies inside it, nothing was written: " + destination;
}

std::string no_longer_exists(const std::string& path) { return path + " no longer exists"; }

std::string stop_report_text(std::int64_t done, std::int64_t count) {
    return "Stopped by the user after " + std::to_string(done) + " of " + std::to_string(count) +
           (count == 1 ? " file" : " files");
}

std::string password_matches() { return "Password matches the stored checksum"; }

std::string password_matches(const std::string& path) { return password_matches() + ": " + path; }

std::string changed_while_streaming() {
    return "The file changed while it was being coded; what went to standard output is not a valid coded file";
}

std::string reason_text(const Reason& r) {
    const std::string passed_by = "Passed by " + r.path + ": ";
    switch (r.why) {
    case Why::None:
    case Why::Message:
    case Why::DeclinedReplace:
    case Why::DeclinedNewer: return {};
    case Why::SameFile: return refusal_same_file(r.path);
    case Why::TooLarge: return refusal_too_large(r.path);
    case Why::TooLargeToDecode: return refusal_too_large_to_decode(r.path);
    case Why::NotRegular: return refusal_not_regular(r.path);
    case Why::DestinationLink: return r.path + " is a symbolic link, which a folder run does not follow";
    case Why::DestinationNotRegular: return r.path + " is not a regular file and cannot be replaced";
    case Why::CannotReplace: return "Cannot replace " + r.path + ": " + IoError(r.target, r.error).reason();
    case Why::CannotEnter: return "Cannot enter folder " + r.path + ": " + std::strerror(r.error);
    case Why::IsDestinationFolder: return passed_by + "it is the destination folder";
    case Why::LinkIntoDestination: return passed_by + "the link leads into the destination folder";
    case Why::LinkBack: return passed_by + "the link leads back to a folder being walked";
    case Why::DestinationIsLink: return passed_by + "its destination " + r.other + " is a symbolic link";
    case Why::DestinationNotFolder: return passed_by + "its destination " + r.other + " is not a folder";
    case Why::DestinationWrittenAlready:
        return passed_by + "its destination " + r.other + " was already written in this run under another name";
    case Why::NameTooLong:
        return passed_by + "the name of its destination is longer than the " + std::to_string(r.limit) +
               " bytes the file system allows: " + r.other;
    case Why::OutputWrittenAlready:
        return passed_by + "its destination " + r.other + " was already written in this run from " + r.target;
    }
    return {};
}

}  // namespace tarnvold
