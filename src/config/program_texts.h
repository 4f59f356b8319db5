// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own English texts beyond the message table and the
// reasons (engine/outcome.h): the test command's lines and the few notes of
// the command-line tool.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvold {

// The test command's line for a password that matches: alone, and naming
// the file.
std::string password_matches();
std::string password_matches(const std::string& path);
// The test command's line for a password beyond ASCII, naming the form it
// matched in.
std::string password_matches_as(const std::string& form);
// A password that cannot be written in the code page `form` it must take,
// naming the first letter that has no byte there.
std::string password_letter_missing(const std::string& letter, const std::string& form);
// A source that changed while it was coded to standard output, where the
// bytes already sent cannot be taken back.
std::string changed_while_streaming();

}  // namespace tarnvold
