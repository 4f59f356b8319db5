// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <iostream>
#include <string_view>

#include "engine/engine.h"
#include "io/file_io.h"
#include "batch/folder_walk.h"
#include "engine/keystream.h"
#include "config/message_id.h"
#include "cli/terminal.h"
#include "cli/terminal_ui.h"
#include "io/utf8_text.h"
#include "tarnvold/version.h"

namespace tarnvold::cli {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tarnvold-cli code       [options] SOURCE DESTINATION\n"
    "  tarnvold-cli decode     [options] SOURCE DESTINATION\n"
    "  tarnvold-cli test       [options] CODED_FILE...\n"
    "  tarnvold-cli code-dir   [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "  tarnvold-cli decode-dir [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "  tarnvold-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  code        code SOURCE into the coded file DESTINATION\n"
    "  decode      decode the coded file SOURCE into DESTINATION and compare the\n"
    "              checksum of the result with the one stored\n"
    "  test        check the password against the checksum stored in each\n"
    "              CODED_FILE; writes nothing, prints one result line per file\n"
    "  code-dir    code every file below SOURCE_FOLDER into the same place below\n"
    "              DESTINATION_FOLDER, which must exist and must not lie inside\n"
    "              SOURCE_FOLDER; each name gets its dots turned into\n"
    "              underscores and \".cod\" added\n"
    "  decode-dir  decode every file below SOURCE_FOLDER the same way, reversing\n"
    "              the names; a file that is not a coded file is reported in\n"
    "              the log and passed by\n"
    "\n"
    "Options:\n"
    "  --password-file FILE  the password is the first line of FILE, its line end\n"
    "                        (CR and/or LF) not included\n"
    "  -y, --yes             answer Yes to every question (replace an existing\n"
    "                        file, decode a file made by a newer version)\n"
    "  -q, --quiet           print no log lines\n"
    "  --no-progress         show no progress line on a terminal\n"
    "  -h, --help            print this help\n"
    "  --version             print the version\n"
    "\n"
    "Without --password-file the password is asked on the terminal (twice for\n"
    "code and code-dir), or read as the first line of standard input when that\n"
    "is not a terminal.  Questions are asked on the terminal; without one they\n"
    "are answered No unless --yes is given.  Every file declined, refused or\n"
    "failed is named on standard error, with --quiet too.  When standard error\n"
    "is a terminal, a progress line is shown there.  Ctrl-C during code-dir or\n"
    "decode-dir stops after the current file; a second Ctrl-C stops at once.\n"
    "\n"
    "Exit status: 0 every file done and verified; 1 a file was declined,\n"
    "refused, not a coded file or failed its checksum; 2 usage error (also a\n"
    "missing folder, a destination inside the source, or two passwords that\n"
    "differ); 3 input/output error; 130 a folder run stopped by Ctrl-C.\n"
    "\n"
    "The coded-file format offers no real confidentiality: it is a key-stream XOR\n"
    "whose only secret is a repeating password, so known contents reveal it.\n";

int usage_error(const std::string& what) {
    std::cerr << "tarnvold-cli: " << what << "\n"
              << "Try 'tarnvold-cli --help'.\n";
    return kExitUsage;
}

// Parses the command line; returns an exit status when it is already known.
std::optional<int> parse(int argc, char** argv, Options& options) {
    bool only_operands = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!only_operands && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                only_operands = true;
            } else if (arg == "--help" || arg == "-h") {
                std::cout << kUsage;
                return kExitOk;
            } else if (arg == "--version") {
                std::cout << "tarnvold-cli " << kProgramVersion << "\n";
                return kExitOk;
            } else if (arg == "-y" || arg == "--yes") {
                options.yes = true;
            } else if (arg == "-q" || arg == "--quiet") {
                options.quiet = true;
            } else if (arg == "--no-progress") {
                options.no_progress = true;
            } else if (arg == "--x87-reference") {
                options.x87_reference = true;
            } else if (arg == "--password-file") {
                if (i + 1 >= argc) return usage_error("--password-file needs a FILE");
                options.password_file = argv[++i];
            } else if (arg.starts_with("--password-file=")) {
                options.password_file = std::string(arg.substr(std::strlen("--password-file=")));
            } else {
                return usage_error("unknown option '" + std::string(arg) + "'");
            }
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.operands.emplace_back(arg);
        }
    }
    if (options.command.empty()) return usage_error("no command given");
    return std::nullopt;
}

// The password as the options and standard input give it; nullopt after a
// reported error, with the exit status in `status`.  `confirm`: a password
// typed on the terminal is asked twice, so that a typo cannot make the coded
// files undecodable.
std::optional<std::string> obtain_password(const Options& options, bool confirm, int& status) {
    std::optional<std::string> password;
    if (options.password_file) {
        int error = 0;
        password = read_first_line_of_file(*options.password_file, error);
        if (!password) {
            std::cerr << "tarnvold-cli: " << IoError(*options.password_file, error).what() << "\n";
            status = kExitIoError;
            return std::nullopt;
        }
    } else if (stdin_is_terminal()) {
        password = read_password_from_terminal("Password: ");
        if (password && confirm && text_length(*password) >= 2) {
            const auto again = read_password_from_terminal("Password again: ");
            if (again != password) {
                std::cerr << "tarnvold-cli: the two passwords differ; nothing was coded\n";
                status = kExitUsage;
                return std::nullopt;
            }
        }
    } else {
        password = read_first_line(stdin);
    }
    // Characters when the password is UTF-8, bytes otherwise; the bytes
    // themselves are used for coding as they were given.
    if (!password || text_length(*password) < 2) {
        status = usage_error("the password must have at least 2 characters");
        return std::nullopt;
    }
    return password;
}

int status_of(Outcome outcome) { return outcome == Outcome::Done ? kExitOk : kExitNotDone; }

// Why a folder operand cannot be used; empty when it can.  The source must
// also be listable, or the walk would pass over it without a word.
std::string folder_problem(const std::string& path, bool listed) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
    if (listed) {
        DIR* dir = ::opendir(path.c_str());
        if (dir == nullptr) return std::strerror(errno);
        ::closedir(dir);
    }
    return {};
}

// Tells on standard error what became of a file that was not done, where
// the engine has not told it there already.  `passed_by`: a file that is not
// a coded file is passed by in a folder decode, told in the log only (and on
// standard error with --quiet, where there is no log).
void report_outcome(TerminalUi& ui, Outcome outcome, const std::string& source, const std::string& destination,
                    bool passed_by, bool quiet) {
    switch (outcome) {
    case Outcome::Done: break;
    case Outcome::Declined: ui.report_declined(source, destination); break;
    case Outcome::NotCoded:
        if (!ui.noticed() && (!passed_by || quiet)) ui.error_line(ui.message(msg::kNotCodedFile));
        break;
    case Outcome::Refused:
    case Outcome::CrcMismatch:
        if (!ui.noticed()) {
            // The reason is the last line logged for the file, or the one
            // before the engine's "aborted" line.
            const auto& log = ui.file_log();
            std::size_t at = log.size();
            if (at > 0 &&
                (log[at - 1] == ui.message(msg::kCodingAborted) || log[at - 1] == ui.message(msg::kDecodingAborted)))
                --at;
            ui.error_line(at > 0 ? log[at - 1] : std::string("refused"));
        }
        break;
    }
}

TerminalOptions terminal_options(const Options& options) {
    return {options.quiet, options.yes, have_terminal(), !options.no_progress && ::isatty(STDERR_FILENO) != 0};
}

// code-dir and decode-dir: the lines File > Code > Directory and File >
// Decode > Directory write to the log, from the count to the walk's end.
int run_folder_command(bool coding, const std::string& source, const std::string& destination,
                       const std::string& password, const Options& options) {
    InterruptGuard interrupts;
    TerminalUi ui(terminal_options(options));
    Engine engine(ui);
    FolderWalk walk(engine, ui);
    int status = kExitOk;
    walk.on_file = [&](const std::string& from, const std::string& to, Outcome outcome) {
        ui.progress().file_done();
        report_outcome(ui, outcome, from, to, !coding, options.quiet);
        if (outcome != Outcome::Done) status = kExitNotDone;
    };
    // Asked between two files, so the file in progress is always complete.
    walk.stop_requested = [] { return interrupt_requested(); };
    // As under "Decode object": a file that is not a coded file is told in
    // the log only, and the walk goes on.
    engine.batch_mode = !coding;

    const std::int64_t count = walk.get_files_number(source);
    ui.progress().set_total(count);
    ui.log_line(ui.message(coding ? msg::kStartCodingFiles : msg::kStartDecodingFiles), count);
    ui.log_line(ui.message(msg::kFilesStoredIn));
    ui.log_line(destination);
    if (coding)
        walk.codedirs(source, destination, password);
    else
        walk.decodedirs(source, destination, password);
    if (walk.stopped()) {
        ui.progress().clear();
        std::fflush(stdout);
        std::cerr << "tarnvold-cli: interrupted; " << walk.files_done() << " of " << count
                  << " files were done, the others left alone\n";
        return kExitInterrupted;
    }
    return status;
}

// test: every file is checked, whatever became of the one before; one
// result line per file, the failing ones named on standard error too.
int run_test(const std::vector<std::string>& files, const std::string& password, const Options& options) {
    TerminalUi ui(terminal_options(options));
    ui.silence_log();
    ui.progress().set_total(static_cast<std::int64_t>(files.size()));
    Engine engine(ui);
    int worst = kExitOk;
    for (const auto& file : files) {
        std::string result;
        int status = kExitNotDone;
        try {
            switch (engine.test_file(file, password)) {
            case Outcome::Done:
                result = "Password matches the stored checksum";
                status = kExitOk;
                break;
            case Outcome::CrcMismatch: result = ui.message(msg::kCrcMismatch); break;
            case Outcome::NotCoded: result = ui.message(msg::kNotCodedFile); break;
            case Outcome::Refused:
            case Outcome::Declined:
                result = ui.file_log().empty() ? std::string("refused") : ui.file_log().back();
                break;
            }
        } catch (const IoError& error) {
            result = error.what();
            status = kExitIoError;
        }
        ui.progress().file_done();
        ui.progress().clear();
        const std::string line = (result.find(file) == std::string::npos ? file + ": " : std::string()) + result + "\n";
        if (!options.quiet) {
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        }
        if (status != kExitOk) std::fwrite(line.data(), 1, line.size(), stderr);
        worst = std::max(worst, status);
    }
    return worst;
}

}  // namespace

int run(int argc, char** argv) {
    Options options;
    if (auto status = parse(argc, argv, options)) return *status;

    const std::string& command = options.command;
    if (command == "code" || command == "decode") {
        if (options.operands.size() != 2) return usage_error(command + " needs SOURCE and DESTINATION");
    } else if (command == "test") {
        if (options.operands.empty()) return usage_error("test needs at least one CODED_FILE");
    } else if (command == "code-dir" || command == "decode-dir") {
        if (options.operands.size() != 2) return usage_error(command + " needs SOURCE_FOLDER and DESTINATION_FOLDER");
        for (std::size_t i = 0; i < 2; ++i) {
            const std::string& folder = options.operands[i];
            if (const auto problem = folder_problem(folder, i == 0); !problem.empty())
                return usage_error("cannot use '" + folder + "' as " + (i == 0 ? "source" : "destination") +
                                   " folder: " + problem);
        }
        if (destination_inside_source(options.operands[0], options.operands[1]))
            return usage_error(refusal_inside_source(options.operands[1]));
    } else {
        return usage_error("unknown command '" + command + "'");
    }

    if (options.x87_reference) set_key_backend(KeyBackend::X87);

    int status = kExitOk;
    const auto password = obtain_password(options, command == "code" || command == "code-dir", status);
    if (!password) return status;

    if (command == "code-dir" || command == "decode-dir") {
        try {
            return run_folder_command(command == "code-dir", options.operands[0], options.operands[1], *password,
                                      options);
        } catch (const IoError& error) {
            std::fflush(stdout);
            std::cerr << "tarnvold-cli: " << error.what() << "\n";
            return kExitIoError;
        }
    }
    if (command == "test") return run_test(options.operands, *password, options);

    TerminalUi ui(terminal_options(options));
    ui.progress().set_total(1);
    Engine engine(ui);
    const std::string& source = options.operands[0];
    const std::string& destination = options.operands[1];
    try {
        const Outcome outcome = command == "code" ? engine.codefile(source, destination, *password)
                                                  : engine.decodefile(source, destination, *password);
        ui.progress().file_done();
        report_outcome(ui, outcome, source, destination, false, options.quiet);
        return status_of(outcome);
    } catch (const IoError& error) {
        ui.progress().clear();
        std::fflush(stdout);
        std::cerr << "tarnvold-cli: " << error.what() << "\n";
        return kExitIoError;
    }
}

}  // namespace tarnvold::cli
