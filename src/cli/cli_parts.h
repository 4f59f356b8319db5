// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of tarnvold-cli its files share: the help (cli_usage.cpp), the
// command line and the password (cli_options.cpp), and the runs as the
// terminal shows them (cli_runs.cpp).  What a run does is the run layer's
// (batch/run.h); these only ask, show and give the exit status.
#pragma once

#include "cli/cli.h"

#include "engine/operation.h"
#include "engine/password_forms.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold::cli {

// The help as this system's users meet it, and the version with the licence.
std::string usage_text();
std::string version_text();

// Expands the wildcards of the file operands where the shell has not
// (Windows): those before the last of code and decode, every one of test.
// False, with the pattern named, when one matches nothing.
bool expand_wildcards(const std::string& command, std::vector<std::string>& operands);

// A usage error named on standard error; returns kExitUsage.
int usage_error(const std::string& what);
// --help and --version: a text that could not be written is a failure.
int print(std::string_view text);

// Parses the command line; returns an exit status when it is already known.
std::optional<int> parse(int argc, char** argv, Options& options);

// The password as the options and standard input give it; nullopt after a
// reported error, with the exit status in `status`.  `confirm`: a password
// typed on the terminal is asked twice, so that a typo cannot make the coded
// files undecodable.  `stdin_is_data`: "-" is a SOURCE, so standard input is
// not the password's.
std::optional<std::string> obtain_password(const Options& options, bool confirm, bool stdin_is_data, int& status,
                                           PasswordForms& forms);

// Why a folder operand cannot be used, in the system's words; empty when it
// can.  The run layer decides (source_refusal, destination_refusal).
std::string folder_problem(const std::string& path, bool listed);

// code-dir and decode-dir.
int run_folder_command(Operation op, const std::string& source, const std::string& destination,
                       const std::string& password, const Options& options);
// code and decode with several SOURCEs into `folder`.
int run_files_command(Operation op, const std::vector<std::string>& sources, const std::string& folder,
                      const std::string& password, const Options& options);
// test.
int run_test(const std::vector<std::string>& files, const std::string& password, const Options& options);
// code and decode of one SOURCE into one DESTINATION, either of them "-".
int run_one_file(Operation op, const std::string& source_operand, const std::string& destination_operand,
                 const std::string& password, const Options& options);

}  // namespace tarnvold::cli
