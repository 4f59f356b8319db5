// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli for the kill and race tests: `cli_kill_child N[w][n] ARGS...`
// runs the tool with ARGS and stops before its write N + 1 (counting from
// one), after saying "paused" on standard output: for good, or with "w"
// until its standard input ends.  With "n" it acts as on a file system
// without unnamed temporary files.  Where it stops is a point the run itself
// reaches, however fast the machine.
#include "cli/cli.h"
#include "io/file_io.h"
#include "support/fault_plan.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    tarnvold::install_interrupt_cleanup();
    tarnvold::testing::PausePlan plan;
    char* flags = nullptr;
    plan.after = static_cast<int>(std::strtol(argv[1], &flags, 10));
    plan.forever = std::strchr(flags, 'w') == nullptr;
    plan.named = std::strchr(flags, 'n') != nullptr;
    tarnvold::testing::pause_at(plan);
    argv[1] = argv[0];
    return tarnvold::cli::run(argc - 1, argv + 1);
}
