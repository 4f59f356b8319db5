// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli: the operands checked, the password asked, and the command
// handed to its run (cli_runs.cpp).
#include "cli/cli.h"

#include "cli/cli_parts.h"
#include "cli/terminal_ui.h"

#include "batch/run.h"
#include "batch/run_rules.h"
#include "engine/keystream.h"
#include "engine/operation.h"
#include "io/console.h"
#include "io/file_io.h"
#include "io/std_streams.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnvold::cli {
namespace {

// The operands of code and decode, checked: a usage error's status, or
// nullopt with `several` (SOURCE... FOLDER) and `stdin_is_data` set.  One
// SOURCE alone gets its DESTINATION beside it.
std::optional<int> check_file_operands(Options& options, bool& several, bool& stdin_is_data) {
    const std::string& command = options.command;
    auto& operands = options.operands;
    if (operands.empty()) return usage_error(command + " needs a SOURCE");
    if (operands.size() == 1) {
        if (operands[0] == "-") return usage_error("- as SOURCE needs a DESTINATION");
        operands.push_back(output_beside(command == "code" ? Operation::Code : Operation::Decode, operands[0]));
    }
    several = into_folder(operands);
    if (several) {
        for (const auto& operand : operands)
            if (operand == "-") return usage_error("- can only be used with one SOURCE and one DESTINATION");
        if (const auto problem = folder_problem(operands.back(), false); !problem.empty())
            return usage_error("cannot use '" + operands.back() + "' as destination folder: " + problem);
        return std::nullopt;
    }
    stdin_is_data = operands[0] == "-";
    if (operands[1] == "-" && is_console(kStdout))
        return usage_error("standard output is a terminal; coded and decoded data are not written there");
    // Standard input under any name: read for the password, it would lose
    // the data behind its first line.
    if (stdin_is_data && options.password_file &&
        (*options.password_file == "-" || names_standard_input(*options.password_file)))
        return usage_error("standard input cannot give both the password and the data");
    if (stdin_is_data && !options.password_file && !have_console())
        return usage_error("with - as SOURCE the password must come from --password-file or the terminal");
    return std::nullopt;
}

// The operands of code-dir and decode-dir, checked: a usage error's status,
// or nullopt.
std::optional<int> check_folder_operands(const Options& options) {
    const auto& operands = options.operands;
    if (operands.size() != 2) return usage_error(options.command + " needs SOURCE_FOLDER and DESTINATION_FOLDER");
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string& folder = operands[i];
        if (const auto problem = folder_problem(folder, i == 0); !problem.empty())
            return usage_error("cannot use '" + folder + "' as " + (i == 0 ? "source" : "destination") +
                               " folder: " + problem);
    }
    if (const Overlap overlap = folders_overlap(operands[0], operands[1]); overlap != Overlap::None)
        return usage_error(overlap_refusal(overlap, operands[0], operands[1]));
    return std::nullopt;
}

// The command once its operands and password are known.
int run_command(Operation op, bool several, const std::string& password, const Options& options) {
    const std::string& command = options.command;
    const auto& operands = options.operands;
    if (command == "test") return run_test(operands, password, options);
    try {
        if (command == "code-dir" || command == "decode-dir")
            return run_folder_command(op, operands[0], operands[1], password, options);
        if (several)
            return run_files_command(op, {operands.begin(), operands.end() - 1}, operands.back(), password, options);
    } catch (const IoError& error) {
        tell({}, error.what());
        return kExitIoError;
    }
    return run_one_file(op, operands[0], operands[1], password, options);
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
    bool several = false;
    bool stdin_is_data = false;
    std::optional<int> refused;
    if (command == "code" || command == "decode")
        refused = check_file_operands(options, several, stdin_is_data);
    else if (command == "test")
        refused = options.operands.empty() ? usage_error("test needs at least one CODED_FILE") : std::optional<int>();
    else if (command == "code-dir" || command == "decode-dir")
        refused = check_folder_operands(options);
    else
        refused = usage_error("unknown command '" + command + "'");
    if (refused) return *refused;

    if (options.x87_reference) set_key_backend(KeyBackend::X87);

    int status = kExitOk;
    const Operation op = command == "code" || command == "code-dir" ? Operation::Code : Operation::Decode;
    const auto password =
        obtain_password(options, op == Operation::Code, stdin_is_data, status, options.password_forms);
    if (!password) return status;
    return run_command(op, several, *password, options);
}

}  // namespace tarnvold::cli
