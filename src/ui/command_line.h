// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's command line: its own options, the toolkit's, and the
// one file or folder to open.  Read before the application exists, so that
// --help and --version answer without a screen and without a window.
#pragma once

#include <string>
#include <vector>

namespace tarnvold::ui {

struct CommandLine {
    enum class Action { Run, Help, Version, UnknownOption, TooManyPaths };
    Action action = Action::Run;
    // UnknownOption: the option as given.
    std::string option;
};

// `args` without the program's name.  The toolkit's own options (-platform,
// -style and the others, with one or two dashes) and their values are left
// for the toolkit; "--" ends the options, so a path may start with a dash.
// The first of --help, --version or an unknown option decides.
CommandLine read_command_line(const std::vector<std::string>& args);

// The paths among the arguments the toolkit left: those after "--" and,
// before it, those that do not start with a dash (read_command_line took
// any such as the toolkit's).
std::vector<std::string> paths_of(const std::vector<std::string>& remaining);

// What --help prints.
extern const char kUsage[];

}  // namespace tarnvold::ui
