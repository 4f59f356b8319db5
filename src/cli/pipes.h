// SPDX-License-Identifier: GPL-3.0-or-later
// "-" as a file operand: standard input spooled to an unnamed temporary
// file, so that the engine can read it twice (checksum, then coding) and
// find a coded file's seed at its end; and standard output written from a
// finished file in a private temporary folder.
#pragma once

#include <string>

namespace tarnvold::cli {

// The folder for temporary files: $TMPDIR, or /tmp.
std::string temporary_folder();

// Standard input copied into an unnamed temporary file, which lives as long
// as this object.  A copy stops after 2 GiB and one byte: the engine then
// refuses the file as too large.  Throws IoError.
class SpooledInput {
public:
    SpooledInput();
    ~SpooledInput();
    SpooledInput(const SpooledInput&) = delete;
    SpooledInput& operator=(const SpooledInput&) = delete;
    // A name that opens the spooled file: /dev/fd/N.
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// A file name in a private temporary folder for the engine to write; send()
// then copies the written file to standard output.  The folder and the file
// go with this object.  Throws IoError.
class StdoutFile {
public:
    explicit StdoutFile(const std::string& name);
    ~StdoutFile();
    StdoutFile(const StdoutFile&) = delete;
    StdoutFile& operator=(const StdoutFile&) = delete;
    const std::string& path() const { return path_; }
    // Copies the written file to standard output; an error names "standard
    // output" (or the file, when it cannot be read).  Throws IoError.
    void send();

private:
    std::string folder_;
    std::string path_;
};

}  // namespace tarnvold::cli
