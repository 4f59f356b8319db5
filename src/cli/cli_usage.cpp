// SPDX-License-Identifier: GPL-3.0-or-later
// The help and the version of tarnvold-cli, and what the shell leaves to it.
#include "cli/cli_parts.h"
#include "cli/terminal_ui.h"

#include "io/console.h"
#include "io/paths.h"
#include "io/system_error.h"
#include "tarnvold/version.h"

#include <string_view>
#include <utility>

namespace tarnvold::cli {
namespace {

constexpr const char* kVersionText =
    "Copyright (C) 2026 Tarnvold developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

constexpr const char* kUsage =
    "Usage:\n"
    "  tarnvold-cli code       [options] SOURCE [DESTINATION]\n"
    "  tarnvold-cli code       [options] SOURCE... FOLDER\n"
    "  tarnvold-cli decode     [options] SOURCE [DESTINATION]\n"
    "  tarnvold-cli decode     [options] SOURCE... FOLDER\n"
    "  tarnvold-cli test       [options] CODED_FILE...\n"
    "  tarnvold-cli code-dir   [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "  tarnvold-cli decode-dir [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "  tarnvold-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  code        code SOURCE into the coded file DESTINATION, by default\n"
    "              beside SOURCE under its coded name (report.txt gives\n"
    "              report_txt.cod); with several SOURCEs, or when the last\n"
    "              operand is a folder, code each into FOLDER under that name\n"
    "  decode      decode the coded file SOURCE into DESTINATION, by default\n"
    "              beside SOURCE under its decoded name, and compare the\n"
    "              checksum of the result with the one stored; several SOURCEs\n"
    "              are decoded into FOLDER under their decoded names\n"
    "  test        check the password against the checksum stored in each\n"
    "              CODED_FILE; writes nothing, prints a line for each match\n"
    "  code-dir    code every file below SOURCE_FOLDER into the same place below\n"
    "              DESTINATION_FOLDER, which must exist and must not lie inside\n"
    "              SOURCE_FOLDER; each name gets its dots turned into\n"
    "              underscores and \".cod\" added\n"
    "  decode-dir  decode every file below SOURCE_FOLDER the same way; a file\n"
    "              that is not a coded file is named on standard error and\n"
    "              passed by\n"
    "\n"
    "Names: the decoded name of NAME.cod (in any letter case) is NAME, its\n"
    "\"_\" fourth from the end turned back into \".\" (report_txt.cod gives\n"
    "report.txt, README.cod gives README); other names get \".decoded\" added.\n"
    "\n"
    "Options:\n"
    "  --password-file FILE  the password is the first line of FILE, its line end\n"
    "                        (CR and/or LF) not included; - is standard input@DESCRIPTOR@\n"
    "  --password-encoding NAME\n"
    "                        convert the password, typed or read as UTF-8, into\n"
    "                        NAME first: utf-8, windows-1250 ... windows-1258 or\n"
    "                        windows-874; decode and test then try no other form\n"
    "  -y, --yes             answer Yes to every question (replace an existing\n"
    "                        file, decode a file made by a newer version)\n"
    "  -v, --verbose         print the log lines on standard output\n"
    "  -q, --quiet           no progress line and no summary; faults are still\n"
    "                        named\n"
    "  --keep-going          in a run of several files, a file that fails with\n"
    "                        an input/output error is named and the run goes on\n"
    "  --no-progress         show no progress line on a terminal\n"
    "  -h, --help            print this help\n"
    "  -V, --version         print the version and the licence\n"
    "Short options combine (-yq); long options may be shortened to any\n"
    "unambiguous beginning; options may follow the operands, and -- ends them.\n"
    "\n"
    "One run for many files: every run starts the same seed sequence, so files\n"
    "coded in separate runs with one password share their key stream, and two\n"
    "of them together give away the difference of their contents.  Code them\n"
    "in one run (several SOURCEs, or code-dir) rather than in a shell loop.\n"
    "\n"
    "Output: success prints nothing.  Every file declined, refused or failed\n"
    "is named once on standard error as \"tarnvold-cli: PATH: reason\", with\n"
    "--quiet too; a name holding control characters or bytes that are not\n"
    "UTF-8 is quoted as a shell reads it back ('a'$'\\n''b').  A run of several\n"
    "files that did not do them all ends with a summary on standard error\n"
    "(\"tarnvold-cli: 9,998 coded, 2 refused, 0 failed\"); a run that stops\n"
    "early says why and how far it got (\"...; 3 of 10 files done (...)\").\n"
    "When standard error is a terminal, a progress line is shown there.  A\n"
    "SOURCE that does not exist is named and the run goes on.\n"
    "\n"
    "Pipes: - as SOURCE reads standard input (stored in a temporary file\n"
    "first); - as DESTINATION writes standard output, which must not be a\n"
    "terminal, and the log lines of --verbose then go to standard error.  The\n"
    "bytes go out as they are made.  Decoding to standard output, they have\n"
    "all gone out before the checksum can be compared: its verdict comes at\n"
    "the end, as the exit status (1 on a mismatch) and, on a mismatch, the\n"
    "line \"tarnvold-cli: SOURCE: CRC mistmatch. May be wrong password ???\" on\n"
    "standard error.  Check the status before trusting the bytes.  A reader\n"
    "that goes away early (| head) or a full device gives one line on\n"
    "standard error and status 3.  With - as SOURCE the password comes from\n"
    "--password-file or the terminal, asked once the data begins to arrive.\n"
    "\n"
    "Without --password-file the password is asked on the terminal (twice for\n"
    "code and code-dir), or read as the first line of standard input when that\n"
    "is not a terminal; a first line over 64 KiB is refused, and so is an\n"
    "empty source, by its name.  Questions are asked on the terminal, one\n"
    "program at a time; without a terminal they are answered No unless --yes\n"
    "is given.  Ctrl-C during a run of several files stops after the current\n"
    "file; a second Ctrl-C stops at once.\n"
    "\n"
    "Letters beyond ASCII: a coded file holds the password's bytes, and files\n"
    "coded on Windows hold those of its code page (\"\u00e9t\u00e9\" is E9 74 E9 in\n"
    "Windows-1252).  A password file's first line is taken byte for byte; a\n"
    "typed password as the terminal gives it, and on Windows in the system's\n"
    "code page, where coding refuses a letter that page lacks.  When such a\n"
    "password does not match, decode and test try the same letters as UTF-8,\n"
    "Windows-1252, the system's code page and the other Windows code pages that\n"
    "hold them, each checked against the stored checksum before anything is\n"
    "written; the log and the test line name the form that matched.\n"
    "\n"
    "Exit status: 0 every file done and verified; 1 a file was declined,\n"
    "refused, missing, not a coded file or failed its checksum; 2 usage error\n"
    "(also a missing folder, a destination inside the source, two passwords\n"
    "that differ, or a password source empty or over 64 KiB); 3 input/output\n"
    "error, also on standard output (full, closed, or a reader that went\n"
    "away).  A run of several files stopped by Ctrl-C ends by the signal\n"
    "itself after its summary, so a calling shell loop stops too (status 130\n"
    "in the shell).\n"
    "@WILDCARDS@"
    "\n"
    "The coded-file format offers no real confidentiality: it is a key-stream XOR\n"
    "whose only secret is a repeating password, so known contents reveal it.\n";

}  // namespace

// Shells here expand wildcards and name open descriptors as /dev/fd/N; on
// Windows the program expands them.
std::string usage_text() {
    std::string text = kUsage;
    const auto put = [&text](std::string_view mark, std::string_view with) {
        text.replace(text.find(mark), mark.size(), with);
    };
    if (program_expands_wildcards()) {
        put("@DESCRIPTOR@", "");
        put("@WILDCARDS@",
            "\n"
            "Wildcards: * (any characters) and ? (one character) in the last name of\n"
            "a SOURCE or CODED_FILE are expanded by tarnvold-cli itself, in the order\n"
            "of the names; a pattern that matches nothing is a usage error (2).\n");
    } else {
        put("@DESCRIPTOR@", ",\n                        /dev/fd/N an open descriptor");
        put("@WILDCARDS@", "");
    }
    return text;
}

bool expand_wildcards(const std::string& command, std::vector<std::string>& operands) {
    if (!program_expands_wildcards() || (command != "code" && command != "decode" && command != "test")) return true;
    const std::size_t patterned = command == "test" ? operands.size() : operands.size() - 1;
    std::vector<std::string> expanded;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        if (i >= patterned || operands[i].find_first_of("*?") == std::string::npos) {
            expanded.push_back(operands[i]);
            continue;
        }
        const std::vector<std::string> matches = wildcard_matches(operands[i]);
        if (matches.empty()) {
            tell(operands[i], "no file matches this pattern");
            return false;
        }
        expanded.insert(expanded.end(), matches.begin(), matches.end());
    }
    operands = std::move(expanded);
    return true;
}

int usage_error(const std::string& what) {
    tell({}, what);
    write_all(kStderr, "Try 'tarnvold-cli --help'.\n");
    return kExitUsage;
}

int print(std::string_view text) {
    if (const int error = write_stdout(text); error != 0) {
        tell("standard output", system_reason(error));
        return kExitIoError;
    }
    return kExitOk;
}

std::string version_text() { return std::string("tarnvold-cli ") + kReleaseVersion + "\n" + kVersionText; }

}  // namespace tarnvold::cli
