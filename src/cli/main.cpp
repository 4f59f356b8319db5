// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "io/console.h"
#include "io/file_io.h"

#include <vector>

int tarnvold::program_main(std::vector<std::string> arguments) {
    prepare_standard_streams();
    // Before any file is written: an interrupted run leaves no temporary file.
    install_interrupt_cleanup();
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int status = cli::run(static_cast<int>(arguments.size()), argv.data());
    // Cleaned up and summed up: the caller learns of the Ctrl-C as a shell
    // loop needs to, by the signal.
    if (status == cli::kExitInterrupted) end_by_interrupt();
    return status;
}
