// SPDX-License-Identifier: GPL-3.0-or-later
// The reasons and reports beyond the message table (engine/outcome.h:
// "Stopped by the user after 1 of 3 files", "Passed by ...") in the user's
// language, told from the value: the paths and numbers they name are put
// into the translated words, never read back out of English text.
#pragma once

#include "engine/outcome.h"

#include <string>

namespace tarnvold::ui {

// The words of `reason` in the language loaded: translated where a
// translation is loaded and has the reason, its English text otherwise.
std::string report_text(const Reason& reason);

}  // namespace tarnvold::ui
