// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli for the kill test: `cli_kill_child N ARGS...` runs the tool
// with ARGS and stops for good before its write N + 1 (counting from one),
// after saying "paused" on standard output.  Where it stops is a point the
// run itself reaches, however fast the machine.
#include <cstdlib>

#include "cli/cli.h"
#include "support/fault_plan.h"
#include "io/file_io.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    tarnvold::install_interrupt_cleanup();
    tarnvold::testing::PausePlan plan;
    plan.after = std::atoi(argv[1]);
    plan.forever = true;
    tarnvold::testing::pause_at(plan);
    argv[1] = argv[0];
    return tarnvold::cli::run(argc - 1, argv + 1);
}
