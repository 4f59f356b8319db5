// SPDX-License-Identifier: GPL-3.0-or-later
// The system's own text for an error number, as each platform's file layer
// gives it; IoError adds the texts of the program's own codes around it.
#pragma once

#include <string>

namespace tarnvold {

std::string system_reason(int code);

}  // namespace tarnvold
