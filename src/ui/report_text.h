// SPDX-License-Identifier: GPL-3.0-or-later
// The reports of the folder walk and the commands that are not in the
// message table ("Stopped by the user after 1 of 3 files", "Passed by ..."),
// in the user's language: the coding code writes them in English, and the
// window translates them on their way to the log and the boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnvold::ui {

// The translation of `text` when it is one of those reports and a language
// with translations is loaded; nothing otherwise (the text stays as it is).
std::optional<std::string> translated_report(std::string_view text);

}  // namespace tarnvold::ui
