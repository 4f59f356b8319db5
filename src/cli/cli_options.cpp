// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of tarnvold-cli and the password it is given.
#include "cli/cli_parts.h"
#include "cli/terminal_ui.h"

#include "config/program_texts.h"
#include "engine/user_interface.h"
#include "io/code_pages.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/utf8_text.h"

#include <string_view>
#include <vector>

namespace tarnvold::cli {
namespace {

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

// Short options, alone or combined (-yq).
std::optional<int> parse_short(std::string_view arg, Options& options) {
    for (const char c : arg.substr(1)) {
        switch (c) {
        case 'h': return print(usage_text());
        case 'V': return print(version_text());
        case 'y': options.yes = true; break;
        case 'q': options.quiet = true; break;
        case 'v': options.verbose = true; break;
        default: return usage_error("unknown option '-" + std::string(1, c) + "'");
        }
    }
    return std::nullopt;
}

// The long option `name` of `arg` names, whole or by an unambiguous
// beginning; null after a usage error, with its status in `status`.
const LongOption* long_option(std::string_view arg, std::size_t equals, std::string_view name, int& status) {
    std::vector<const LongOption*> beginning;
    for (const LongOption& option : kLongOptions) {
        if (option.name == name) return &option;
        if (option.abbreviable && !name.empty() && option.name.starts_with(name)) beginning.push_back(&option);
    }
    if (beginning.size() == 1) return beginning.front();
    if (beginning.size() > 1) {
        std::string candidates;
        for (const LongOption* option : beginning) candidates += " --" + std::string(option->name);
        status = usage_error("option '" + std::string(arg.substr(0, equals)) + "' is ambiguous:" + candidates);
    } else {
        status = usage_error("unknown option '" + std::string(arg) + "'");
    }
    return nullptr;
}

// Takes the value of a long option that has one.
std::optional<int> take_value(const LongOption& found, const std::string& value, Options& options) {
    const std::string full = "--" + std::string(found.name);
    if (found.option == Long::PasswordFile) {
        if (value.empty()) return usage_error(full + " needs a FILE");
        options.password_file = value;
        return std::nullopt;
    }
    if (value.empty()) return usage_error(full + " needs a NAME");
    options.password_encoding = code_page_named(value);
    if (options.password_encoding == 0)
        return usage_error("unknown password encoding '" + value +
                           "' (utf-8, windows-1250 ... windows-1258, windows-874)");
    return std::nullopt;
}

// A long option, its value after "=" or in the next word (`i` moves on).
std::optional<int> parse_long(std::string_view arg, int& i, int argc, char** argv, Options& options) {
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(2, equals == std::string_view::npos ? arg.npos : equals - 2);
    int status = kExitUsage;
    const LongOption* found = long_option(arg, equals, name, status);
    if (found == nullptr) return status;
    if (!found->takes_value && equals != std::string_view::npos)
        return usage_error("--" + std::string(found->name) + " takes no value");
    switch (found->option) {
    case Long::Help: return print(usage_text());
    case Long::Version: return print(version_text());
    case Long::Yes: options.yes = true; break;
    case Long::Quiet: options.quiet = true; break;
    case Long::Verbose: options.verbose = true; break;
    case Long::NoProgress: options.no_progress = true; break;
    case Long::KeepGoing: options.keep_going = true; break;
    case Long::X87Reference: options.x87_reference = true; break;
    case Long::PasswordFile:
    case Long::PasswordEncoding: {
        std::string value;
        if (equals != std::string_view::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        return take_value(*found, value, options);
    }
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> parse(int argc, char** argv, Options& options) {
    bool only_operands = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (only_operands || arg.size() < 2 || arg[0] != '-') {
            if (options.command.empty())
                options.command = arg;
            else
                options.operands.emplace_back(arg);
        } else if (arg == "--") {
            only_operands = true;
        } else if (const auto status =
                       arg[1] != '-' ? parse_short(arg, options) : parse_long(arg, i, argc, argv, options)) {
            return status;
        }
    }
    if (options.command.empty()) return usage_error("no command given");
    return std::nullopt;
}

namespace {

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

}  // namespace

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

}  // namespace tarnvold::cli
