// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes a text's letters take: UTF-8, or one of the single-byte code
// pages of Windows (1250 to 1258 and 874), whose tables this program carries
// so that every build turns the same letters into the same bytes.  Coded
// files hold a password's bytes, and files made on Windows hold those of
// its code page.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvold {

inline constexpr int kUtf8 = 65001;  // Windows' number for UTF-8

// The single-byte code pages, in the order they are tried.
inline constexpr std::array<int, 10> kSingleByteCodePages = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874};

// "UTF-8", "Windows-1250" ... "Windows-874", "Windows-932" for another one.
std::string code_page_name(int code_page);
// The code page of a name as code_page_name gives it (any case; "cp1250"
// too), among UTF-8 and kSingleByteCodePages; 0 for any other.
int code_page_named(std::string_view name);

// A UTF-8 text in `code_page`; nothing when it is not valid UTF-8 or when a
// character has no byte there, which `missing` then receives (U+FFFD for a
// text that is not UTF-8).
std::optional<std::string> encode_text(std::string_view utf8, int code_page, char32_t* missing = nullptr);
// Bytes of `code_page` as UTF-8; nothing when a byte stands for no
// character there.
std::optional<std::string> decode_text(std::string_view bytes, int code_page);

// "ł" (U+0142): a character as a message names it.
std::string character_named(char32_t c);

// The code page Windows gives the texts of programs that speak 8 bits (its
// ANSI code page); 0 on a system without one.  With the console's files,
// like the system's own conversions for a code page without a table here
// (nothing where there is no such system).
int system_code_page();
std::optional<std::string> system_encode(std::string_view utf8, int code_page, char32_t* missing);
std::optional<std::string> system_decode(std::string_view bytes, int code_page);

}  // namespace tarnvold
