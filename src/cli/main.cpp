// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>

#include "cli/cli.h"
#include "io/file_io.h"

int main(int argc, char** argv) {
    // A reader that goes away (| head) is an input/output error on standard
    // output, told and counted like any other, not a silent end.
    std::signal(SIGPIPE, SIG_IGN);
    // Before any file is written: an interrupted run leaves no temporary file.
    tarnvold::install_interrupt_cleanup();
    return tarnvold::cli::run(argc, argv);
}
