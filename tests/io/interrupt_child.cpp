// SPDX-License-Identifier: GPL-3.0-or-later
// A child for the interruption tests: codes SOURCE to DESTINATION and stops
// at its first write, after saying "paused" on standard output, until its
// standard input ends.  With "named" it acts as on a file system without
// unnamed temporary files.
#include "engine/engine.h"
#include "io/file_io.h"
#include "support/fault_plan.h"
#include "support/script_ui.h"

#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    tarnvold::install_interrupt_cleanup();
    tarnvold::testing::PausePlan plan;
    plan.named = argc > 3 && std::strcmp(argv[3], "named") == 0;
    tarnvold::testing::pause_at(plan);
    tarnvold::testing::ScriptUi ui;
    tarnvold::Engine engine(ui);
    return engine.codefile(argv[1], argv[2], "pw") == tarnvold::Outcome::Done ? 0 : 1;
}
