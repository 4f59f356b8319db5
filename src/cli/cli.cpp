// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "cli/terminal.h"
#include "cli/terminal_ui.h"

#include "batch/folder_walk.h"
#include "config/message_id.h"
#include "config/program_texts.h"
#include "engine/coded_format.h"
#include "engine/engine.h"
#include "engine/keystream.h"
#include "engine/operation.h"
#include "io/code_pages.h"
#include "io/file_io.h"
#include "io/folder.h"
#include "io/paths.h"
#include "io/std_streams.h"
#include "io/system_error.h"
#include "io/utf8_text.h"
#include "tarnvold/version.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>

namespace tarnvold::cli {
namespace {

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

// The help as this system's users meet it: shells here expand wildcards and
// name open descriptors as /dev/fd/N; on Windows the program expands them.
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

// Expands the wildcards of the file operands where the shell has not
// (Windows): those before the last of code and decode, every one of test.
// False, with the pattern named, when one matches nothing.
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

// --help and --version: a text that could not be written is a failure.
int print(std::string_view text) {
    if (const int error = write_stdout(text); error != 0) {
        tell("standard output", system_reason(error));
        return kExitIoError;
    }
    return kExitOk;
}

constexpr const char* kVersionText =
    "Copyright (C) 2026 Tarnvold developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

// The long options; any unambiguous beginning of one names it.
enum class Long {
    Help,
    Version,
    Yes,
    Quiet,
    Verbose,
    NoProgress,
    KeepGoing,
    PasswordFile,
    PasswordEncoding,
    X87Reference
};
struct LongOption {
    std::string_view name;
    Long option;
    bool takes_value;
    bool abbreviable;  // hidden ones are taken whole only
};
constexpr LongOption kLongOptions[] = {
    {"help", Long::Help, false, true},
    {"version", Long::Version, false, true},
    {"yes", Long::Yes, false, true},
    {"quiet", Long::Quiet, false, true},
    {"verbose", Long::Verbose, false, true},
    {"no-progress", Long::NoProgress, false, true},
    {"keep-going", Long::KeepGoing, false, true},
    {"password-file", Long::PasswordFile, true, true},
    {"password-encoding", Long::PasswordEncoding, true, true},
    {"x87-reference", Long::X87Reference, false, false},
};

// Parses the command line; returns an exit status when it is already known.
std::optional<int> parse(int argc, char** argv, Options& options) {
    bool only_operands = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (only_operands || arg.size() < 2 || arg[0] != '-') {
            if (options.command.empty())
                options.command = arg;
            else
                options.operands.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            only_operands = true;
            continue;
        }
        if (arg[1] != '-') {
            // Short options, alone or combined (-yq).
            for (const char c : arg.substr(1)) {
                switch (c) {
                case 'h': return print(usage_text());
                case 'V': return print(std::string("tarnvold-cli ") + kReleaseVersion + "\n" + kVersionText);
                case 'y': options.yes = true; break;
                case 'q': options.quiet = true; break;
                case 'v': options.verbose = true; break;
                default: return usage_error("unknown option '-" + std::string(1, c) + "'");
                }
            }
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(2, equals == std::string_view::npos ? arg.npos : equals - 2);
        const LongOption* found = nullptr;
        std::vector<const LongOption*> beginning;
        for (const LongOption& option : kLongOptions) {
            if (option.name == name) {
                found = &option;
                break;
            }
            if (option.abbreviable && !name.empty() && option.name.starts_with(name)) beginning.push_back(&option);
        }
        if (found == nullptr && beginning.size() == 1) found = beginning.front();
        if (found == nullptr && beginning.size() > 1) {
            std::string candidates;
            for (const LongOption* option : beginning) candidates += " --" + std::string(option->name);
            return usage_error("option '" + std::string(arg.substr(0, equals)) + "' is ambiguous:" + candidates);
        }
        if (found == nullptr) return usage_error("unknown option '" + std::string(arg) + "'");
        const std::string full = "--" + std::string(found->name);
        if (!found->takes_value && equals != std::string_view::npos) return usage_error(full + " takes no value");
        // An option's value: after "=", or the next word.
        std::string value;
        if (found->takes_value) {
            if (equals != std::string_view::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < argc)
                value = argv[++i];
        }
        switch (found->option) {
        case Long::Help: return print(usage_text());
        case Long::Version: return print(std::string("tarnvold-cli ") + kReleaseVersion + "\n" + kVersionText);
        case Long::Yes: options.yes = true; break;
        case Long::Quiet: options.quiet = true; break;
        case Long::Verbose: options.verbose = true; break;
        case Long::NoProgress: options.no_progress = true; break;
        case Long::KeepGoing: options.keep_going = true; break;
        case Long::X87Reference: options.x87_reference = true; break;
        case Long::PasswordFile:
            if (value.empty()) return usage_error(full + " needs a FILE");
            options.password_file = value;
            break;
        case Long::PasswordEncoding:
            if (value.empty()) return usage_error(full + " needs a NAME");
            options.password_encoding = code_page_named(value);
            if (options.password_encoding == 0)
                return usage_error("unknown password encoding '" + value +
                                   "' (utf-8, windows-1250 ... windows-1258, windows-874)");
            break;
        }
    }
    if (options.command.empty()) return usage_error("no command given");
    return std::nullopt;
}

// The bytes of a password read from `from`, and what they are.  Windows
// gives what is typed the bytes of its code page, as programs of 8 bits
// there had them; coding (`confirm`) refuses a letter that page lacks.
std::optional<std::string> password_bytes(const Options& options, std::string line, bool typed, bool coding,
                                          const std::string& from, int& status, PasswordForms& forms) {
    const int system = system_code_page();
    // The code page of the CLI's language, English, then the system's.
    forms.preferred = {1252};
    if (system != 0) forms.preferred.push_back(system);
    const int wanted = options.password_encoding != 0 ? options.password_encoding : typed ? system : 0;
    char32_t missing = 0;
    const std::optional<std::string> converted =
        wanted != 0 ? encode_text(line, wanted, &missing) : std::optional<std::string>();
    if (converted) {
        forms.given = wanted;
        forms.try_others = options.password_encoding == 0;
        return converted;
    }
    if (options.password_encoding != 0 || (wanted != 0 && coding)) {
        std::string why = missing == 0xFFFD && !is_utf8(line)
                              ? "the password is not UTF-8, which " + code_page_name(wanted) + " is made from"
                              : password_letter_missing(character_named(missing), code_page_name(wanted));
        if (options.password_encoding == 0) why += ", the system's code page";
        status = usage_error(from + ": " + why);
        return std::nullopt;
    }
    // Read byte for byte: UTF-8, or on Windows the system's code page.
    forms.given = is_utf8(line) ? kUtf8 : system;
    return line;
}

// The password as the options and standard input give it; nullopt after a
// reported error, with the exit status in `status`.  `confirm`: a password
// typed on the terminal is asked twice, so that a typo cannot make the coded
// files undecodable.  `stdin_is_data`: "-" is a SOURCE, so standard input is
// not the password's.
std::optional<std::string> obtain_password(const Options& options, bool confirm, bool stdin_is_data, int& status,
                                           PasswordForms& forms) {
    FirstLine read;
    std::string from;
    bool typed = false;
    if (options.password_file) {
        from = *options.password_file == "-" ? std::string("standard input") : *options.password_file;
        read = *options.password_file == "-" ? read_first_line_of_stdin()
                                             : read_first_line_of_file(*options.password_file);
        if (read.error != 0) {
            tell(from, with_full_stop(IoError(from, read.error).reason()));
            status = kExitIoError;
            return std::nullopt;
        }
    } else if (is_console(kStdin) || stdin_is_data) {
        from = "the terminal";
        // In a pipeline, asked once the data has begun to arrive: whatever
        // runs before has asked for its own password by then.
        if (stdin_is_data) wait_for_input(kStdin);
        typed = true;
        read = read_console_password("Password: ");
        if (read.line && confirm && text_length(*read.line) >= 2) {
            const auto again = read_console_password("Password again: ");
            if (again.line != read.line) {
                tell({}, "the two passwords differ; nothing was coded");
                status = kExitUsage;
                return std::nullopt;
            }
        }
    } else {
        from = "standard input";
        read = read_first_line_of_stdin();
    }
    // Each refusal names where the password was read.
    const auto refuse = [&](const std::string& why) {
        tell(from, why);
        write_all(kStderr, "Try 'tarnvold-cli --help'.\n");
        status = kExitUsage;
        return std::nullopt;
    };
    if (read.too_long) return refuse("the first line is longer than 64 KiB, which no password is");
    if (!read.line) return refuse("empty; no password was read");
    // Characters when the password is UTF-8, bytes otherwise; the bytes
    // themselves are used for coding as they were given.
    if (text_length(*read.line) < 2) return refuse("the password must have at least 2 characters");
    return password_bytes(options, *read.line, typed, confirm, from, status, forms);
}

int status_of(Outcome outcome) { return outcome == Outcome::Done ? kExitOk : kExitNotDone; }

bool is_folder(const std::string& path) {
    try {
        return Folder::open(path, Folder::Use::Write).is_open();
    } catch (const IoError&) {
        return false;
    }
}

// Why a folder operand cannot be used; empty when it can.  The source must
// also be listable, or the walk would pass over it without a word.
std::string folder_problem(const std::string& path, bool listed) {
    try {
        Folder::open(path, listed ? Folder::Use::List : Folder::Use::Write);
    } catch (const IoError& error) {
        return error.reason();
    }
    return {};
}

TerminalOptions terminal_options(const Options& options, Operation op, bool log_to_stderr = false) {
    return {.verbose = options.verbose,
            .yes = options.yes,
            .interactive = have_console(),
            .progress = !options.quiet && !options.no_progress && is_console(kStderr),
            .log_to_stderr = log_to_stderr,
            .decoding = op == Operation::Decode};
}

// 9998 as "9,998".
std::string grouped(std::int64_t n) {
    std::string digits = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > (n < 0 ? 1 : 0); at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// Reasons about a folder rather than a file: they leave the totals of
// files alone.
bool about_a_folder(const FileOutcome& outcome) {
    switch (outcome.reason.why) {
    case Why::CannotEnter:
    case Why::DestinationIsLink:
    case Why::DestinationNotFolder:
    case Why::DestinationWrittenAlready: return true;
    default: return false;
    }
}

// What became of the files of a run, counted apart.
struct Tally {
    std::int64_t done = 0, declined = 0, refused = 0, failed = 0;
    std::int64_t io_failed = 0;  // of `failed`: an input/output error
    std::int64_t folders = 0;    // folders passed by, not counted as files

    std::int64_t total() const { return done + declined + refused + failed; }
    bool all_done() const { return total() == done && folders == 0; }
    void count(const FileOutcome& outcome) {
        switch (outcome.kind) {
        case Outcome::Done: ++done; break;
        case Outcome::Declined: ++declined; break;
        case Outcome::Refused:
        case Outcome::NotCoded: ++(about_a_folder(outcome) ? folders : refused); break;
        case Outcome::ChecksumMismatch: ++failed; break;
        }
    }
    // "9,998 coded, 2 refused, 0 failed".
    std::string text(Operation op) const {
        std::string out = grouped(done) + (op == Operation::Code ? " coded" : " decoded");
        if (declined > 0) out += ", " + grouped(declined) + " declined";
        out += ", " + grouped(refused) + " refused, " + grouped(failed) + " failed";
        if (folders > 0) out += ", " + grouped(folders) + (folders == 1 ? " folder" : " folders") + " passed by";
        return out;
    }
};

// The path a fault line names, from the outcome: what its reason is about,
// or the source.
const std::string& named_path(const FileOutcome& outcome) {
    return outcome.reason.path.empty() ? outcome.source : outcome.reason.path;
}

// The reason of an outcome as a line on standard error tells it after the
// path it names.
std::string reason_for(TerminalUi& ui, const FileOutcome& outcome) {
    if (outcome.reason.why == Why::Message) return ui.message(outcome.reason.message);
    const std::string text = reason_detail(outcome.reason, named_path(outcome));
    return text.empty() ? std::string("refused") : text;
}

// Tells on standard error what became of a file that was not done.
void report_outcome(TerminalUi& ui, const FileOutcome& outcome) {
    switch (outcome.kind) {
    case Outcome::Done: break;
    case Outcome::Declined:
        ui.report_declined(
            outcome.reason.why == Why::DeclinedNewer ? Question::DecodeNewerVersion : Question::ReplaceDestination,
            outcome.source, outcome.destination);
        break;
    case Outcome::NotCoded:
    case Outcome::Refused: ui.error_line(named_path(outcome), reason_for(ui, outcome)); break;
    case Outcome::ChecksumMismatch:
        ui.error_line(outcome.source, ui.message(msg::kCrcMismatch));
        // An existing destination that stayed as it was is named too.
        if (outcome.reason.why == Why::KeptOnMismatch)
            ui.error_line(outcome.reason.path, reason_detail(outcome.reason, outcome.reason.path));
        break;
    }
}

// An input/output error's reason as the lines give it.
std::string io_reason(const IoError& error) { return with_full_stop(error.reason()); }

// A source that is not there: named, passed by, and the run goes on, as cp
// does.  Any other input/output error is one.
bool missing_source(const IoError& error, const std::string& source) {
    return error.path() == source && !file_exists(source) && !is_folder(source);
}

// A run over several files (a folder run, or several SOURCEs into a
// FOLDER): one engine, so one seed sequence; each file's outcome told and
// counted; stopped between two files by Ctrl-C or a standard output that
// failed, and at once by an input/output error without --keep-going.
class Run {
public:
    Run(const Options& options, Operation op)
        : options_(options), op_(op), ui_(terminal_options(options, op)), engine_(ui_) {
        // As under "Decode object": a file that is not a coded file is
        // passed by, and the run goes on.
        engine_.batch_mode = op == Operation::Decode;
        engine_.password_forms = options.password_forms;
    }

    TerminalUi& ui() { return ui_; }
    Engine& engine() { return engine_; }

    bool should_stop() const { return interrupt_requested() || ui_.output_error() != 0; }

    void file_begins(const std::string& destination) { ui_.set_destination(destination); }
    void file_ended(const FileOutcome& outcome) {
        if (!about_a_folder(outcome)) ui_.progress().file_done();
        tally_.count(outcome);
        report_outcome(ui_, outcome);
    }
    void source_missing(const std::string& source, const IoError& error) {
        ui_.progress().file_done();
        ++tally_.refused;
        ui_.error_line(source, io_reason(error));
    }
    // An input/output error that ended one file: named and counted; with
    // --keep-going the run goes on, otherwise the error ends it.
    void file_failed(const std::string& file, const IoError& error) {
        ui_.progress().file_done();
        ++tally_.failed;
        ++tally_.io_failed;
        if (error.path().empty() || error.path() == file)
            ui_.error_line(file, io_reason(error));
        else
            ui_.error_line(file, "not written: " + quoted_name(error.path()) + ": " + io_reason(error));
        if (!options_.keep_going) throw Stop{};
    }
    // Thrown by file_failed to end the run.
    struct Stop {};

    // The exit status at the end, with the summary on standard error: the
    // totals when a file was not done; on a stop, the reason and how far
    // the run got, even with --quiet.
    int finish(bool stopped, bool failed_stop, std::int64_t count) {
        ui_.progress().clear();
        // "interrupted; 3 of 10 files done (3 coded, 0 refused, 0 failed)".
        const auto stop_line = [&](std::string_view path, const std::string& why) {
            tell(path, why + "; " + grouped(tally_.total()) + " of " + grouped(count) +
                           (count == 1 ? " file done (" : " files done (") + tally_.text(op_) + ")");
        };
        if (const int error = ui_.output_error(); error != 0) {
            stop_line("standard output", system_reason(error));
            return kExitIoError;
        }
        if (failed_stop) {
            stop_line({}, "stopped by an input/output error");
            return kExitIoError;
        }
        // A stop that came after the last file leaves nothing undone.
        if (stopped && tally_.total() < count) {
            stop_line({}, "interrupted");
            return kExitInterrupted;
        }
        if (!tally_.all_done() && !options_.quiet) tell({}, tally_.text(op_));
        if (tally_.io_failed > 0) return kExitIoError;
        return tally_.all_done() ? kExitOk : kExitNotDone;
    }

private:
    const Options& options_;
    Operation op_;
    TerminalUi ui_;
    Engine engine_;
    Tally tally_;
};

// code-dir and decode-dir: with --verbose, the lines File > Code >
// Directory and File > Decode > Directory write to the log, from the count
// to the walk's end.
int run_folder_command(Operation op, const std::string& source, const std::string& destination,
                       const std::string& password, const Options& options) {
    InterruptGuard interrupts;
    Run run(options, op);
    TerminalUi& ui = run.ui();
    FolderWalk walk(run.engine(), ui);
    walk.on_file_begins = [&](const std::string&, const std::string& to) { run.file_begins(to); };
    walk.on_file = [&](const std::string&, const std::string&, const FileOutcome& outcome) { run.file_ended(outcome); };
    walk.on_io_error = [&](const std::string& file, const std::string&, const IoError& error) {
        run.file_failed(file, error);
    };
    // Asked between two files, so the file in progress is always complete.
    walk.stop_requested = [&] { return run.should_stop(); };

    const std::int64_t count = walk.get_files_number(source);
    ui.progress().set_total(count);
    ui.log_line(ui.message(start_files_message(op)), count);
    ui.log_line(ui.message(msg::kFilesStoredIn));
    ui.log_line(destination);
    bool failed = false;
    try {
        if (op == Operation::Code)
            walk.codedirs(source, destination, password);
        else
            walk.decodedirs(source, destination, password);
    } catch (const Run::Stop&) {
        failed = true;
    }
    return run.finish(walk.stopped(), failed, count);
}

// code and decode with several SOURCEs: each one into `folder` under the
// name a folder run gives it, in the order given, as a folder run would.
int run_files_command(Operation op, const std::vector<std::string>& sources, const std::string& folder,
                      const std::string& password, const Options& options) {
    InterruptGuard interrupts;
    Run run(options, op);
    TerminalUi& ui = run.ui();
    Engine& engine = run.engine();
    const auto count = static_cast<std::int64_t>(sources.size());
    ui.progress().set_total(count);
    // The outputs of this run are never replaced by a later file of it.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> outputs;
    // Nor is any of its sources, coded yet or not, replaced by an output.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> inputs;
    for (const std::string& source : sources)
        if (const SourceInfo info = inspect_source(source); info.exists)
            inputs[{info.id.volume, info.id.index}] = source;
    std::string earlier;
    const std::string* current = nullptr;
    Why kept = Why::None;
    engine.keep_existing = [&](const FileId& existing) {
        const auto found = outputs.find({existing.volume, existing.index});
        const auto input = inputs.find({existing.volume, existing.index});
        if (found != outputs.end()) {
            earlier = found->second;
            kept = Why::OutputWrittenAlready;
        } else if (input != inputs.end() && input->second != *current) {
            // (A source that is its own destination is the engine's to refuse.)
            earlier = input->second;
            kept = Why::DestinationIsSource;
        } else {
            return false;
        }
        return true;
    };
    // The folder is held open for the whole run: every output is made in
    // it, and a link under an output's name is refused, not followed.
    const Folder into = Folder::open(folder, Folder::Use::Write);
    bool stopped = false;
    bool failed = false;
    for (const std::string& source : sources) {
        if (run.should_stop()) {
            stopped = true;
            break;
        }
        const std::string name = last_name(source);
        const std::string out_name = output_name(op, name);
        // One separator between the folder and the name.
        const std::string target =
            folder == "/" ? folder + out_name
                          : joined_path(folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder, out_name);
        run.file_begins(target);
        earlier.clear();
        current = &source;
        FileOutcome outcome;
        try {
            const InFolder to{&into, out_name, false};
            outcome = engine.operate(op, source, target, password, Engine::SourceKind::Unknown,
                                     Engine::DestinationKind::Unknown, {}, to);
        } catch (const IoError& error) {
            if (missing_source(error, source)) {
                run.source_missing(source, error);
                continue;
            }
            try {
                run.file_failed(source, error);
            } catch (const Run::Stop&) {
                failed = true;
                break;
            }
            continue;
        }
        if (!earlier.empty()) {
            ui.file_begins(source);
            outcome.reason = {.why = kept, .path = source, .other = target, .target = earlier};
            ui.log_line(reason_text(outcome.reason));
        } else if (const auto written = engine.last_output()) {
            outputs[{written->volume, written->index}] = source;
        }
        run.file_ended(outcome);
    }
    engine.keep_existing = nullptr;
    // Its outputs are on disk before the run reports them done.
    into.flush_file_system();
    return run.finish(stopped, failed, count);
}

// test: every file is checked, whatever became of the one before; a line
// on standard output for each file whose password matches, and one on
// standard error for each that fails.
int run_test(const std::vector<std::string>& files, const std::string& password, const Options& options) {
    TerminalUi ui(terminal_options(options, Operation::Decode));
    ui.silence_log();
    ui.progress().set_total(static_cast<std::int64_t>(files.size()));
    Engine engine(ui);
    engine.password_forms = options.password_forms;
    int worst = kExitOk;
    std::size_t tested = 0;
    for (const auto& file : files) {
        int status = kExitNotDone;
        try {
            const FileOutcome outcome = engine.test_file(file, password);
            ++tested;
            ui.progress().file_done();
            ui.progress().clear();
            if (outcome.kind == Outcome::Done) {
                const int form = engine.matched_form();
                const std::string matches = form != 0 ? password_matches_as(code_page_name(form)) : password_matches();
                status = kExitOk;
                if (!options.quiet) {
                    if (const int error = write_stdout(quoted_name(file) + ": " + matches + "\n"); error != 0) {
                        tell("standard output", std::string(system_reason(error)) + "; stopped after " +
                                                    std::to_string(tested - 1) + " of " + std::to_string(files.size()) +
                                                    (files.size() == 1 ? " file" : " files"));
                        return kExitIoError;
                    }
                }
            } else {
                report_outcome(ui, outcome);
            }
        } catch (const IoError& error) {
            ++tested;
            ui.progress().file_done();
            status = missing_source(error, file) ? kExitNotDone : kExitIoError;
            ui.error_line(file, error.path() == file ? io_reason(error) : error.what());
        }
        worst = std::max(worst, status);
    }
    return worst;
}

// What "-" is called in the log lines and on standard error.
constexpr const char* kStandardInput = "standard input";
constexpr const char* kStandardOutput = "standard output";

// Standard input is kept up to one byte beyond the largest coded file, so
// that every coded file the format allows comes whole; the engine refuses
// anything longer as too large, to code or to decode.
constexpr std::int64_t kSpoolLimit = kMaxOriginalSize + static_cast<std::int64_t>(kCodedOverhead) + 1;

// code and decode of one SOURCE into one DESTINATION, either of them "-".
// Standard output gets the bytes as they are made: a decoded file goes out
// block by block before its checksum is known, and the verdict is the exit
// status and, on a mismatch, a line on standard error.
int run_one_file(Operation op, const std::string& source_operand, const std::string& destination_operand,
                 const std::string& password, const Options& options) {
    const bool to_stdout = destination_operand == "-";
    std::optional<SpooledInput> spooled;
    TerminalUi ui(terminal_options(options, op, to_stdout));
    ui.progress().set_total(1);
    Engine engine(ui);
    engine.password_forms = options.password_forms;
    try {
        if (source_operand == "-") spooled.emplace(kSpoolLimit);
        const std::string source = spooled ? std::string(kStandardInput) : source_operand;
        const InFolder from = spooled ? InFolder{&spooled->folder(), spooled->name(), true} : InFolder{};
        const std::string destination = to_stdout ? std::string(kStandardOutput) : destination_operand;
        const auto where = to_stdout ? Engine::DestinationKind::StandardOutput : Engine::DestinationKind::Unknown;
        ui.set_destination(destination);
        const FileOutcome outcome =
            engine.operate(op, source, destination, password, Engine::SourceKind::Unknown, where, from);
        ui.progress().file_done();
        ui.progress().clear();
        report_outcome(ui, outcome);
        if (const int error = ui.output_error(); error != 0) {
            tell(kStandardOutput, system_reason(error));
            return kExitIoError;
        }
        return status_of(outcome);
    } catch (const IoError& error) {
        ui.progress().clear();
        // Standard output has the bytes sent before the change was seen.
        if (to_stdout && error.kind() == IoKind::ChangedWhileCoding)
            ui.error_line(error.path(), changed_while_streaming());
        else
            ui.error_line(error.path(), io_reason(error));
        return missing_source(error, source_operand) ? kExitNotDone : kExitIoError;
    }
}

}  // namespace

int run(int argc, char** argv) {
    Options options;
    if (auto status = parse(argc, argv, options)) return *status;

    const std::string& command = options.command;
    if (!options.operands.empty() && !expand_wildcards(command, options.operands)) {
        write_all(kStderr, "Try 'tarnvold-cli --help'.\n");
        return kExitUsage;
    }
    const auto& operands = options.operands;
    bool several = false;
    bool stdin_is_data = false;
    if (command == "code" || command == "decode") {
        if (operands.empty()) return usage_error(command + " needs a SOURCE");
        // One SOURCE alone: its output goes beside it, under the name a
        // folder run gives it.
        if (operands.size() == 1) {
            const std::string& source = operands[0];
            if (source == "-") return usage_error("- as SOURCE needs a DESTINATION");
            const std::string name = last_name(source);
            const std::size_t slash = source.substr(0, source.find_last_not_of('/') + 1).rfind('/');
            const std::string folder = slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
            options.operands.push_back(folder +
                                       output_name(command == "code" ? Operation::Code : Operation::Decode, name));
        }
        several = operands.size() > 2 || (operands.back() != "-" && is_folder(operands.back()));
        if (several) {
            for (const auto& operand : operands)
                if (operand == "-") return usage_error("- can only be used with one SOURCE and one DESTINATION");
            if (const auto problem = folder_problem(operands.back(), false); !problem.empty())
                return usage_error("cannot use '" + operands.back() + "' as destination folder: " + problem);
        } else {
            stdin_is_data = operands[0] == "-";
            if (operands[1] == "-" && is_console(kStdout))
                return usage_error("standard output is a terminal; coded and decoded data are not written there");
            // Standard input under any name: read for the password, it
            // would lose the data behind its first line.
            if (stdin_is_data && options.password_file &&
                (*options.password_file == "-" || names_standard_input(*options.password_file)))
                return usage_error("standard input cannot give both the password and the data");
            if (stdin_is_data && !options.password_file && !have_console())
                return usage_error("with - as SOURCE the password must come from --password-file or the terminal");
        }
    } else if (command == "test") {
        if (operands.empty()) return usage_error("test needs at least one CODED_FILE");
    } else if (command == "code-dir" || command == "decode-dir") {
        if (operands.size() != 2) return usage_error(command + " needs SOURCE_FOLDER and DESTINATION_FOLDER");
        for (std::size_t i = 0; i < 2; ++i) {
            const std::string& folder = operands[i];
            if (const auto problem = folder_problem(folder, i == 0); !problem.empty())
                return usage_error("cannot use '" + folder + "' as " + (i == 0 ? "source" : "destination") +
                                   " folder: " + problem);
        }
        if (const Overlap overlap = folders_overlap(operands[0], operands[1]); overlap != Overlap::None)
            return usage_error(overlap_refusal(overlap, operands[0], operands[1]));
    } else {
        return usage_error("unknown command '" + command + "'");
    }

    if (options.x87_reference) set_key_backend(KeyBackend::X87);

    int status = kExitOk;
    const Operation op = command == "code" || command == "code-dir" ? Operation::Code : Operation::Decode;
    const auto password =
        obtain_password(options, op == Operation::Code, stdin_is_data, status, options.password_forms);
    if (!password) return status;

    if (command == "test") return run_test(operands, *password, options);
    try {
        if (command == "code-dir" || command == "decode-dir")
            return run_folder_command(op, operands[0], operands[1], *password, options);
        if (several)
            return run_files_command(op, {operands.begin(), operands.end() - 1}, operands.back(), *password, options);
    } catch (const IoError& error) {
        tell({}, error.what());
        return kExitIoError;
    }
    return run_one_file(op, operands[0], operands[1], *password, options);
}

}  // namespace tarnvold::cli
