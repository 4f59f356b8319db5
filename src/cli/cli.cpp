#include "cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <iostream>
#include <string_view>

#include "engine.h"
#include "file_io.h"
#include "folder_walk.h"
#include "keystream.h"
#include "messages.h"
#include "terminal.h"
#include "terminal_ui.h"
#include "utf8_text.h"
#include "tarnvold/version.h"

namespace tarnvold::cli {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tarnvold-cli code   [options] SOURCE DESTINATION\n"
    "  tarnvold-cli decode [options] SOURCE DESTINATION\n"
    "  tarnvold-cli test   [options] CODED_FILE...     check the password against the stored checksum; writes nothing\n"
    "  tarnvold-cli code-dir   [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "  tarnvold-cli decode-dir [options] SOURCE_FOLDER DESTINATION_FOLDER\n"
    "                         every file below SOURCE_FOLDER, into the same place below\n"
    "                         DESTINATION_FOLDER, which must exist and must not lie inside\n"
    "                         SOURCE_FOLDER; code-dir names each file with its dots turned\n"
    "                         into underscores and \".cod\" added, decode-dir reverses it\n"
    "  tarnvold-cli --help | --version\n"
    "options:\n"
    "  --password-file FILE   the password is the first line of FILE, its line end (CR and/or LF) not included\n"
    "  -y, --yes              answer Yes to every question (overwrite, newer version)\n"
    "  -q, --quiet            print no log lines\n"
    "\n"
    "Without --password-file the password is asked on the terminal, or read as the\n"
    "first line of standard input when that is not a terminal.  Questions are asked\n"
    "on the terminal; without one they are answered No unless --yes is given.\n"
    "\n"
    "Exit status: 0 every file done and verified; 1 a file was declined, refused,\n"
    "not a coded file or failed its checksum; 2 usage error (also a missing folder\n"
    "or a destination inside the source); 3 input/output error.\n"
    "\n"
    "The coded-file format offers no real confidentiality: it is a key-stream XOR\n"
    "whose only secret is a repeating password, so known contents reveal it.\n";

int usage_error(const std::string& what) {
    std::cerr << "tarnvold-cli: " << what << "\n" << "Try 'tarnvold-cli --help'.\n";
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
// reported error, with the exit status in `status`.
std::optional<std::string> obtain_password(const Options& options, int& status) {
    std::optional<std::string> password;
    if (options.password_file) {
        int error = 0;
        password = read_first_line_of_file(*options.password_file, &error);
        if (!password) {
            std::cerr << "tarnvold-cli: " << IoError(*options.password_file, error).what() << "\n";
            status = kExitIoError;
            return std::nullopt;
        }
    } else if (stdin_is_terminal()) {
        password = read_password_from_terminal("Password: ");
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

// code-dir and decode-dir: the lines File > Code > Directory and File >
// Decode > Directory write to the log, from the count to the walk's end.
int run_folder_command(bool coding, const std::string& source, const std::string& destination,
                       const std::string& password, const Options& options) {
    TerminalUi ui({options.quiet, options.yes, stdin_is_terminal()});
    Engine engine(ui);
    FolderWalk walk(engine, ui);
    int status = kExitOk;
    walk.on_file = [&status](const std::string&, const std::string&, Outcome outcome) {
        if (outcome != Outcome::Done) status = kExitNotDone;
    };
    // As under "Decode object": a file that is not a coded file is told in
    // the log only, and the walk goes on.
    engine.batch_mode = !coding;

    const std::int64_t count = walk.get_files_number(source);
    ui.log_line(ui.message(coding ? msg::kStartCodingFiles : msg::kStartDecodingFiles), count);
    ui.log_line(ui.message(msg::kFilesStoredIn));
    ui.log_line(destination);
    if (coding)
        walk.codedirs(source, destination, password);
    else
        walk.decodedirs(source, destination, password);
    return status;
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
        if (options.operands.size() != 2)
            return usage_error(command + " needs SOURCE_FOLDER and DESTINATION_FOLDER");
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
    const auto password = obtain_password(options, status);
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

    TerminalUi ui({options.quiet, options.yes, stdin_is_terminal()});
    Engine engine(ui);
    try {
        if (command == "code") return status_of(engine.codefile(options.operands[0], options.operands[1], *password));
        if (command == "decode")
            return status_of(engine.decodefile(options.operands[0], options.operands[1], *password));
        for (const auto& file : options.operands)
            if (engine.test_file(file, *password) != Outcome::Done) status = kExitNotDone;
        return status;
    } catch (const IoError& error) {
        std::fflush(stdout);
        std::cerr << "tarnvold-cli: " << error.what() << "\n";
        return kExitIoError;
    }
}

}  // namespace tarnvold::cli
