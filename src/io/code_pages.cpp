// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/code_pages.h"

#include "io/utf8_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace tarnvold {
namespace {

struct Table {
    int code_page;
    std::array<std::uint16_t, 128> high;  // bytes 0x80..0xFF; 0: no character
};

constexpr Table kTables[] = {
#include "io/code_page_tables.inc"
};

const Table* table_of(int code_page) {
    for (const Table& t : kTables)
        if (t.code_page == code_page) return &t;
    return nullptr;
}

// The character starting at text[pos] of a valid UTF-8 text, and its length.
char32_t utf8_at(std::string_view text, std::size_t pos, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    if (length == 1) return byte(0);
    char32_t c = byte(0) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (byte(i) & 0x3F);
    return c;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

}  // namespace

std::string code_page_name(int code_page) {
    return code_page == kUtf8 ? std::string("UTF-8") : "Windows-" + std::to_string(code_page);
}

int code_page_named(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (lower == "utf-8" || lower == "utf8") return kUtf8;
    for (const int cp : kSingleByteCodePages) {
        const std::string number = std::to_string(cp);
        if (lower == "windows-" + number || lower == "cp" + number) return cp;
    }
    return 0;
}

std::optional<std::string> encode_text(std::string_view utf8, int code_page, char32_t* missing) {
    if (!is_utf8(utf8)) {
        if (missing != nullptr) *missing = 0xFFFD;
        return std::nullopt;
    }
    if (code_page == kUtf8) return std::string(utf8);
    const Table* table = table_of(code_page);
    if (table == nullptr) return system_encode(utf8, code_page, missing);
    std::string out;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t length = utf8_char_length(utf8, pos);
        const char32_t c = utf8_at(utf8, pos, length);
        pos += length;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const auto found = std::find(table->high.begin(), table->high.end(), c);
        if (found == table->high.end()) {
            if (missing != nullptr) *missing = c;
            return std::nullopt;
        }
        out.push_back(static_cast<char>(0x80 + (found - table->high.begin())));
    }
    return out;
}

std::optional<std::string> decode_text(std::string_view bytes, int code_page) {
    if (code_page == kUtf8) return is_utf8(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    const Table* table = table_of(code_page);
    if (table == nullptr) return system_decode(bytes, code_page);
    std::string out;
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        const char32_t c = byte < 0x80 ? byte : table->high[byte - 0x80];
        if (byte >= 0x80 && c == 0) return std::nullopt;
        append_utf8(out, c);
    }
    return out;
}

std::string character_named(char32_t c) {
    std::string out = "\"";
    append_utf8(out, c);
    char number[16];
    std::snprintf(number, sizeof number, "\" (U+%04X)", static_cast<unsigned>(c));
    return out + number;
}

}  // namespace tarnvold
