// SPDX-License-Identifier: GPL-3.0-or-later
// The system's entry point of a command-line program: its arguments are the
// bytes the shell gave, UTF-8 on every system the program runs on.
#include "io/console.h"

int main(int argc, char** argv) { return tarnvold::program_main({argv, argv + argc}); }
