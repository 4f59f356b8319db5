// SPDX-License-Identifier: GPL-3.0-or-later
// The window program as it is installed.

#include "ui/main.h"

int main(int argc, char** argv) { return tarnvold::ui::run_program(argc, argv); }
