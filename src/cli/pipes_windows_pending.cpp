// SPDX-License-Identifier: GPL-3.0-or-later
// "-" as a file operand on Windows, until the file layer has the Windows
// side of standard input spooling and standard output: refused, naming the
// stream, with nothing read or written.  Replaced by the platform layer's
// version when that lands.
#include "cli/pipes.h"

#include <cerrno>

#include "io/file_io.h"

namespace tarnvold::cli {

std::string temporary_folder() { return "."; }

SpooledInput::SpooledInput() { throw IoError("standard input", ENOSYS); }
SpooledInput::~SpooledInput() = default;

StdoutFile::StdoutFile(const std::string&) { throw IoError("standard output", ENOSYS); }
StdoutFile::~StdoutFile() = default;
void StdoutFile::send() { throw IoError("standard output", ENOSYS); }

}  // namespace tarnvold::cli
