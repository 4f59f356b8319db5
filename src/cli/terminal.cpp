// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal.h"

#include <string>

namespace tarnvold::cli {

bool ask_on_terminal(std::string_view question) {
    const auto answer = ask_console_line(std::string(question) + " [y/N] ");
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes" || *answer == "Yes" || *answer == "YES");
}

}  // namespace tarnvold::cli
