// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "io/file_io.h"

int main(int argc, char** argv) {
    // Before any file is written: an interrupted run leaves no temporary file.
    tarnvold::install_interrupt_cleanup();
    return tarnvold::cli::run(argc, argv);
}
