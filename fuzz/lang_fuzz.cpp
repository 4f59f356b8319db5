// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a language file made of arbitrary bytes, and listing the folder
// that holds it.
//
// A file of 56 lines or more becomes the message table, line N entry N, cut
// to 150 characters, whatever the line ends (CR, LF, CR LF, stray CRs) and
// wherever they fall against the reader's blocks; a shorter one is reported
// and changes nothing.  The entries are UTF-8 as they stand when every line
// is UTF-8 as far as it is kept, and read as Windows-1252 otherwise.  The
// listing names every ".tvl" file once, however odd its name.
#include "fuzz_support.h"

#include "config/international.h"
#include "io/file_io.h"
#include "io/utf8_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace tarnvold;

constexpr std::size_t kLines = kMessageCount;

// The lines of a language file as the format defines them: a line's text
// ends at its first CR or LF, and the line at its LF or the end of the file.
std::vector<std::string> lines_of(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < size && lines.size() <= kLines) {
        std::size_t end = i;
        while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
        lines.emplace_back(reinterpret_cast<const char*>(data) + i, end - i);
        while (end < size && data[end] != '\n') ++end;
        i = end + 1;
    }
    return lines;
}

// The first 150 characters of a line, when that far it is UTF-8.
std::optional<std::string> utf8_entry(const std::string& line) {
    std::size_t pos = 0;
    for (std::size_t chars = 0; chars < kMaxEntryLength && pos < line.size(); ++chars) {
        const std::size_t n = utf8_char_length(line, pos);
        if (n == 0) return std::nullopt;
        pos += n;
    }
    return line.substr(0, pos);
}

// The table the first 56 lines give.
std::vector<std::string> entries_of(std::vector<std::string> lines) {
    lines.resize(kLines);
    bool utf8 = true;
    for (const auto& line : lines) utf8 = utf8 && utf8_entry(line).has_value();
    if (utf8 && lines[0].starts_with("\xEF\xBB\xBF")) lines[0].erase(0, 3);
    for (auto& line : lines) line = utf8 ? *utf8_entry(line) : cp1252_to_utf8(line.substr(0, kMaxEntryLength));
    return lines;
}

// A file name made of the input's first bytes: anything but '/' and NUL.
std::string name_from(const std::uint8_t* data, std::size_t size) {
    std::string name;
    for (std::size_t i = 0; i < size && name.size() < 40; ++i)
        if (data[i] != '/' && data[i] != '\0') name.push_back(static_cast<char>(data[i]));
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::ScratchDir& dir = fuzz::ScratchDir::get();
    dir.clear();
    std::filesystem::create_directory(dir.file("lang"));
    fuzz::write_file(dir.file("lang/fuzz.tvl"), data, size);

    Language language;
    language.fill_english_table();
    std::vector<std::string> told;
    language.notice = [&](std::string_view text) { told.emplace_back(text); };
    // Stored paths separate folders with backslashes.
    language.load_lang_file(dir.path() + "\\lang\\fuzz.tvl");

    const std::vector<std::string> lines = lines_of(data, size);
    if (lines.size() < kLines) {
        FUZZ_CHECK(told.size() == 1 && told[0] == kLangFileBad);
        FUZZ_CHECK(language.lang_table() == builtin_english());
    } else {
        FUZZ_CHECK(told.empty());
        const std::vector<std::string> entries = entries_of(lines);
        for (int n = 1; n <= kMessageCount; ++n)
            FUZZ_CHECK(language.message(n) == entries[static_cast<std::size_t>(n - 1)], "entry " + std::to_string(n));
    }

    // A second language file named after the input's first bytes.
    const std::string name = name_from(data, size);
    std::vector<std::string> expected = {"fuzz"};
    if (!name.empty() && name != "fuzz") {
        fuzz::write_file(dir.file("lang/" + name + ".tvl"), data, size);
        expected.push_back(name);
    }
    {
        // The listing works below the current directory.  The fuzzer reads
        // its corpus by relative paths, so the directory is given back.
        const int here = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        FUZZ_CHECK(here >= 0 && ::chdir(dir.path().c_str()) == 0);
        language.scan_lang_dir();
        FUZZ_CHECK(::fchdir(here) == 0);
        ::close(here);
    }
    std::vector<std::string> listed = language.lang_list;
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    FUZZ_CHECK(listed == expected);
    return 0;
}
