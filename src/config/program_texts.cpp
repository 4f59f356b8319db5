// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/program_texts.h"

namespace tarnvold {

std::string password_matches() { return "Password matches the stored checksum"; }

std::string password_matches(const std::string& path) { return password_matches() + ": " + path; }

std::string password_matches_as(const std::string& form) { return password_matches() + ", taken as " + form; }

std::string password_letter_missing(const std::string& letter, const std::string& form) {
    return "the password's letter " + letter + " cannot be written in " + form;
}

std::string changed_while_streaming() {
    return "The file changed while it was being coded; what went to standard output is not a valid coded file";
}

}  // namespace tarnvold
