// SPDX-License-Identifier: GPL-3.0-or-later
// Program start, shared by the window program (tarnvold.cpp) and the build of
// it that the window tests and benchmarks drive (tests/ui/driven_program.cpp):
// the installed program passes no hooks, so whatever drives the windows
// without a person lives in the tests' build only.
#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tarnvold {

class Program;

namespace ui {

struct StartHooks {
    // Once the application exists, before any window is made.
    std::function<void()> application_ready;
    // Once the windows exist and start-up has let the program go on, just
    // before the main window is shown.  What it returns lives until the
    // event loop has ended.
    std::function<std::unique_ptr<QObject>(Program&)> windows_ready;
};

// The whole program: the application, the six windows, start-up, the event
// loop; returns the process's exit code.
int run_program(int argc, char** argv, const StartHooks& hooks = {});

}  // namespace ui
}  // namespace tarnvold
