// SPDX-License-Identifier: GPL-3.0-or-later
// Coded files for the tests: the vectors kept with them, and files coded on
// the spot.
#pragma once

#include <string>

namespace tarnvold::testing {

// A file of the coded-file vectors kept with the tests (tests/data/vectors).
std::string vector_file(const std::string& name);

// Codes the bytes `plain` with `password` into the file `coded` with a fresh
// engine, so with the first seed of a run, and returns `coded`.  Throws
// when the engine does not finish.
std::string make_coded(const std::string& coded, const std::string& plain, const std::string& password = "right");

}  // namespace tarnvold::testing
