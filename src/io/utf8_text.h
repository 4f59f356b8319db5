// SPDX-License-Identifier: GPL-3.0-or-later
// Texts on a system that names files and shows text in UTF-8: characters
// counted and cut without splitting one, and 8-bit text written on Windows
// turned into UTF-8.  A text that is not valid UTF-8 has no characters to
// count; callers then fall back on its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnvold {

// The number of bytes of the well-formed UTF-8 character that starts at
// text[pos], or 0 when none does: a stray continuation byte, an overlong
// form, a surrogate, a value above U+10FFFF, or a character the text ends
// inside of.
inline std::size_t utf8_char_length(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;   // no overlong forms
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - pos < length) return 0;
    if (byte(pos + 1) < low || byte(pos + 1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) return 0;
    return length;
}

inline bool is_utf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t n = utf8_char_length(text, pos);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

// The number of characters of a text that is valid UTF-8, or of bytes of
// one that is not.
inline std::size_t text_length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count) {
        const std::size_t n = utf8_char_length(text, pos);
        if (n == 0) return text.size();
        pos += n;
    }
    return count;
}

// The first `count` characters of a text that is valid UTF-8, or its first
// `count` bytes when it is not.
inline std::string_view text_prefix(std::string_view text, std::size_t count) {
    if (!is_utf8(text)) return text.substr(0, count);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count && pos < text.size(); ++i) pos += utf8_char_length(text, pos);
    return text.substr(0, pos);
}

// Windows-1252 as UTF-8.  All 256 byte values have a character: the five
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for
// the control characters of the same number.
inline std::string cp1252_to_utf8(std::string_view text) {
    static constexpr std::array<std::uint16_t, 32> k80to9F = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const unsigned code = byte >= 0x80 && byte <= 0x9F ? k80to9F[byte - 0x80] : byte;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

// A text for showing: as it is when it is valid UTF-8, read as
// Windows-1252 otherwise.
inline std::string shown_text(std::string_view text) {
    return is_utf8(text) ? std::string(text) : cp1252_to_utf8(text);
}

}  // namespace tarnvold
