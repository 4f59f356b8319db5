// SPDX-License-Identifier: GPL-3.0-or-later
// The system's entry point of a command-line program on Windows: the
// arguments come as UTF-16 (wmain, linked with -municode) and go on as
// UTF-8, so that every name reaches the program whole, whatever the ANSI
// code page.
#include "io/console.h"
#include "io/windows_text.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) arguments.push_back(tarnvold::windows::narrow(argv[i]));
    return tarnvold::program_main(std::move(arguments));
}
