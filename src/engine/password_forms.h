// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes a password may have coded a file with.  A coded file holds the
// bytes its password was typed as, and files made on Windows hold those of
// the system's code page there, so the same letters beyond ASCII may have
// coded a file as UTF-8 or in any of several code pages.  Decoding tries
// them in turn, checking each against the stored checksum.
#pragma once

#include "io/code_pages.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnvold {

// What the password handed to the engine is.
struct PasswordForms {
    // The code page its bytes are in; 0 when nobody knows (a password file
    // that is not UTF-8, or a front end that does not say): those bytes are
    // then all there is to try.
    int given = 0;
    // Whether decoding tries the other forms of the same letters.
    bool try_others = true;
    // The code pages tried right after UTF-8: the language's, the system's.
    std::vector<int> preferred;
};

// A password's letters in one code page.
struct PasswordForm {
    int code_page = 0;  // as in PasswordForms::given
    std::string bytes;
};

bool is_ascii(std::string_view text);

// The forms to try, in order, each string of bytes once: the password as
// given; then, for one holding letters beyond ASCII in a known code page,
// those letters as UTF-8, in the preferred code pages and in the other
// single-byte code pages that can write them.
std::vector<PasswordForm> forms_to_try(std::string_view password, const PasswordForms& how);

}  // namespace tarnvold
