#include "cli.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#include "engine.h"
#include "file_io.h"
#include "keystream.h"
#include "terminal.h"
#include "terminal_ui.h"

namespace tarnvold::cli {
namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tarnvold-cli code   [options] SOURCE DESTINATION\n"
    "  tarnvold-cli decode [options] SOURCE DESTINATION\n"
    "  tarnvold-cli test   [options] CODED_FILE...     check the password against the stored checksum; writes nothing\n"
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
    "not a coded file or failed its checksum; 2 usage error; 3 input/output error.\n"
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
                std::cout << "tarnvold-cli 1.5\n";
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
    if (!password || password->size() < 2) {
        status = usage_error("the password must have at least 2 characters");
        return std::nullopt;
    }
    return password;
}

int status_of(Outcome outcome) { return outcome == Outcome::Done ? kExitOk : kExitNotDone; }

}  // namespace

int run(int argc, char** argv) {
    Options options;
    if (auto status = parse(argc, argv, options)) return *status;

    const std::string& command = options.command;
    if (command == "code" || command == "decode") {
        if (options.operands.size() != 2) return usage_error(command + " needs SOURCE and DESTINATION");
    } else if (command == "test") {
        if (options.operands.empty()) return usage_error("test needs at least one CODED_FILE");
    } else {
        return usage_error("unknown command '" + command + "'");
    }

    if (options.x87_reference) set_key_backend(KeyBackend::X87);

    int status = kExitOk;
    const auto password = obtain_password(options, status);
    if (!password) return status;

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
