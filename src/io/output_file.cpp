// SPDX-License-Identifier: GPL-3.0-or-later
// What an output file does the same way on every system: a free name in a
// held folder, the refusals before anything is made, and standard output,
// which takes the bytes in order as they come.  The rest is
// output_file_posix.cpp and output_file_windows.cpp.
#include "io/file_io.h"
#include "io/file_io_shared.h"
#include "io/folder.h"
#include "io/std_streams.h"

#include <cerrno>
#include <memory>

namespace tarnvold {

Destination free_destination(const Folder& folder, std::string_view name, const std::string& shown) {
    Destination d;
    d.path = d.target = shown;
    d.folder = &folder;
    d.name = name;
    return d;
}

OutputFile::OutputFile(const std::string& destination) : OutputFile(inspect_destination(destination)) {}

OutputFile::OutputFile(const Destination& destination)
    : destination_(destination.path), target_existed_(destination.exists) {
    check_fault(IoOp::CreateOutput, destination_);
    if (destination.standard_output) {
        // Nothing to make: the bytes go out as they are written.
        stream_ = true;
        identity_ = destination.id;
        return;
    }
    // Another user's link in a shared folder is not followed (the system's
    // own answer to following it).
    if (destination.foreign_link) throw IoError(destination.path, EACCES);
    if (destination.exists && !destination.regular) {
        const bool folder = destination.folder == nullptr && is_folder(destination.target);
        throw IoError(destination.shown(), folder ? IoStatus::system(EISDIR) : IoKind::NotRegularFile);
    }
    if (destination.exists && destination.write_error != 0) throw IoError(destination.shown(), destination.write_error);
    if (destination.folder != nullptr) {
        folder_ = destination.folder;
        name_ = destination.name;
    } else {
        // A destination given by path: the folder its target is in, links
        // followed, and the target's name there.
        own_folder_ = std::make_unique<Folder>(Folder::open(folder_of(destination.target), Folder::Use::Write));
        folder_ = own_folder_.get();
        name_ = base_of(destination.target);
    }
    create();
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::write_all(const void* buf, std::size_t count) {
    check_fault(IoOp::Write, destination_);
    if (!stream_) return write_file(buf, count);
    if (const int error = write_standard_output(buf, count); error != 0) throw IoError(destination_, error);
    streamed_ += static_cast<std::int64_t>(count);
}

std::int64_t OutputFile::position() const { return stream_ ? streamed_ : file_position(); }

void OutputFile::begin_write() { check_fault(IoOp::Write, destination_); }

int OutputFile::write_at(const void* buf, std::size_t count, std::int64_t offset) const noexcept {
    return stream_ ? ESPIPE : write_file_at(buf, count, offset);
}

void OutputFile::seek(std::int64_t offset) {
    if (!stream_) return seek_file(offset);
    if (offset != streamed_) throw IoError(destination_, ESPIPE);
}

void OutputFile::commit() {
    if (stream_)
        committed_ = true;
    else
        commit_file();
}

}  // namespace tarnvold
