// SPDX-License-Identifier: GPL-3.0-or-later
// Talking to the person at the console: the yes/no questions.  The console
// itself (password prompt, standard streams, Ctrl-C) is io/console.h.
#pragma once

#include "io/console.h"

#include <string_view>

namespace tarnvold::cli {

// Prints the question on the console and reads y/yes or n/no there;
// anything else, no console, or Ctrl-C counts as No.
bool ask_on_terminal(std::string_view question);

}  // namespace tarnvold::cli
