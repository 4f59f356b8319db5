// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli: the scripting front end over the coding engine.
#pragma once

#include "engine/password_forms.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnvold::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotDone = 1;  // declined, refused, not a coded file, checksum mismatch
inline constexpr int kExitUsage = 2;
inline constexpr int kExitIoError = 3;
// A run of several files stopped by Ctrl-C: the program then ends by the
// signal itself where the system has signals (end_by_interrupt).
inline constexpr int kExitInterrupted = 130;

struct Options {
    std::string command;
    std::vector<std::string> operands;
    std::optional<std::string> password_file;
    int password_encoding = 0;     // --password-encoding: the code page, or 0
    PasswordForms password_forms;  // what the password's bytes are, once it is read
    bool yes = false;
    bool quiet = false;    // no progress line and no summary; faults are still named
    bool verbose = false;  // the log lines on standard output
    bool no_progress = false;
    bool keep_going = false;     // a file's input/output error does not end a run of several
    bool x87_reference = false;  // hidden: compute the position key stream with the x87 unit
};

int run(int argc, char** argv);

}  // namespace tarnvold::cli
