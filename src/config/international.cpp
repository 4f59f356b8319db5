// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/international.h"

#include "io/file_io.h"
#include "io/folder.h"
#include "io/paths.h"
#include "io/utf8_text.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <stdexcept>

namespace tarnvold {

const LangTable& builtin_english() {
    // clang-format off
    static const LangTable table = {
    "File",  // 1
    "Options",  // 2
    "Help",  // 3
    "About",  // 4
    "Code",  // 5
    "Decode",  // 6
    " ",  // 7
    "Exit",  // 8
    "Directory",  // 9
    "Configuration",  // 10
    "Tarnvold version 1.1 style",  // 11
    "Tarnvold version 1.5 style",  // 12
    "Folder progress",  // 13
    "Code object",  // 14
    "Decode object",  // 15
    "OK",  // 16
    "Cancel",  // 17
    "New dir",  // 18
    "Select view settings",  // 19
    "Enter password",  // 20
    "CRC check :",  // 21
    "CRC :",  // 22
    "Can not find configuration file",  // 23
    "Error in configuration file",  // 24
    "This is not Tarnvold config file",  // 25
    "Scanning...",  // 26
    "Coding files in ",  // 27
    "Decoding files in ",  // 28
    "This file exists.Do you want to rewrite this file ?",  // 29
    "Decoding aborted",  // 30
    "Starting decode for ",  // 31
    "Level 1 decoding",  // 32
    "Level 2 decoding",  // 33
    "This is not Tarnvold coded file",  // 34
    "The version of Tarnvold, used for coding of this file is bigger than yours.Do you want to try decoding anywhere ?",  // 35
    "Original file CRC : ",  // 36
    "CRC mistmatch. May be wrong password ???",  // 37
    "Decoding finished",  // 38
    "Starting code for : ",  // 39
    "Coding aborted",  // 40
    "Level 1 coding",  // 41
    "Level 2 coding",  // 42
    "Coding finished",  // 43
    "About called",  // 44
    "Do you really want to quit ?",  // 45
    "You must have at least 1024x768 display",  // 46
    "Initialisation finished",  // 47
    "Start coding for files : ",  // 48
    "Select distanation directory",  // 49
    "Files will be stored in :",  // 50
    "Start decoding for files : ",  // 51
    "Tarnvold : Select source folder for coding",  // 52
    "Tarnvold : Select source folder for decoding",  // 53
    "Enter new directory name",  // 54
    "Close window",  // 55
    "Select language",  // 56
    };
    // clang-format on
    return table;
}

std::string& table_entry(LangTable& table, int n) {
    if (n < 1 || n > kMessageCount)
        throw std::out_of_range("message number " + std::to_string(n) + " outside 1.." + std::to_string(kMessageCount));
    return table[static_cast<std::size_t>(n - 1)];
}

const std::string& table_entry(const LangTable& table, int n) { return table_entry(const_cast<LangTable&>(table), n); }

// ------------------------------------------------------------------ Language

void Language::add_caption_target(CaptionTarget* t) {
    if (t != nullptr && std::find(targets_.begin(), targets_.end(), t) == targets_.end()) targets_.push_back(t);
}

void Language::remove_caption_target(CaptionTarget* t) {
    targets_.erase(std::remove(targets_.begin(), targets_.end(), t), targets_.end());
}

void Language::apply_lang_table(const LangTable& table) {
    lang_table_ = table;
    for (auto& entry : lang_table_) entry = std::string(text_prefix(entry, kMaxEntryLength));
    // A window may unregister itself while it is being captioned.
    const auto targets = targets_;
    for (CaptionTarget* t : targets)
        if (std::find(targets_.begin(), targets_.end(), t) != targets_.end()) t->apply_captions(lang_table_);
}

void Language::fill_english_table() {
    loaded_file.clear();
    apply_lang_table(builtin_english());
}

void Language::write_english_file() const { write_lang_file(join_native(start_dir, kEnglishLangFile), lang_table_); }

void Language::tell(std::string_view text) const {
    if (notice) notice(text);
}

namespace {

// Reads a file front to back in blocks; any byte value is accepted.
class ByteReader {
public:
    explicit ByteReader(const std::string& path) : file_(path), left_(file_.size()) {}

    bool at_end() {
        fill();
        return pos_ == len_;
    }
    // The next byte; only valid when !at_end().
    unsigned char peek() const { return buf_[pos_]; }
    void advance() { ++pos_; }
    void close() { file_.close(); }

private:
    void fill() {
        if (pos_ < len_ || left_ <= 0) return;
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(left_, static_cast<std::int64_t>(sizeof buf_)));
        try {
            file_.read_exact(buf_, want);
        } catch (const IoError& e) {
            // The file shrank while it was read: what was there is all there is.
            if (e.kind() != IoKind::EndOfFile) throw;
            left_ = 0;
            pos_ = len_ = 0;
            return;
        }
        left_ -= static_cast<std::int64_t>(want);
        pos_ = 0;
        len_ = want;
    }

    InputFile file_;
    std::int64_t left_;
    unsigned char buf_[4096];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
};

}  // namespace

void Language::load_lang_file(const std::string& path) {
    const std::string native = to_native_path(path);
    if (!file_exists(native)) {
        tell(kLangFileMissing);
        return;
    }
    // The lines are kept as far as 150 characters can reach in either
    // encoding; what lies past that is dropped unread.
    constexpr std::size_t kKept = 4 * kMaxEntryLength;
    ByteReader in(native);
    auto work = std::make_unique<LangTable>();
    int count = 0;
    while (!in.at_end()) {
        ++count;
        if (count > kMessageCount) break;
        std::string& entry = table_entry(*work, count);
        // The text ends at the first CR or LF ...
        while (!in.at_end() && in.peek() != '\r' && in.peek() != '\n') {
            if (entry.size() < kKept) entry.push_back(static_cast<char>(in.peek()));
            in.advance();
        }
        // ... and the rest of the line, up to and including its LF, is skipped.
        while (!in.at_end() && in.peek() != '\n') in.advance();
        if (!in.at_end()) in.advance();
    }
    in.close();
    if (count < kMessageCount) {
        tell(kLangFileBad);
        return;
    }
    // A file whose texts are UTF-8 is read as UTF-8; any other is 8-bit text
    // as Windows writes it.  Only the characters an entry can hold count.
    const auto utf8_prefix = [](std::string_view text) {
        std::size_t pos = 0;
        for (std::size_t i = 0; i < kMaxEntryLength && pos < text.size(); ++i) {
            const std::size_t n = utf8_char_length(text, pos);
            if (n == 0) return std::string_view::npos;
            pos += n;
        }
        return pos;
    };
    const bool utf8 = std::all_of(work->begin(), work->end(), [&](const std::string& entry) {
        return utf8_prefix(entry) != std::string_view::npos;
    });
    // A byte-order mark is not part of the first text.
    if (utf8 && (*work)[0].starts_with("\xEF\xBB\xBF")) (*work)[0].erase(0, 3);
    for (auto& entry : *work)
        entry = utf8 ? entry.substr(0, utf8_prefix(entry)) : cp1252_to_utf8(entry.substr(0, kMaxEntryLength));
    loaded_file = native;
    apply_lang_table(*work);
}

int Language::code_page() const {
    std::string name = last_name(loaded_file);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (name == "polski.tvl") return 1250;
    if (name == "russkij.tvl") return 1251;
    return 1252;
}

namespace {

// ".tvl" in any case, as files brought from other systems may have it.
bool ends_with_tvl(std::string_view name) {
    if (name.size() < 4) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".tvl";
}

// The language files in "lang" below `base` (the current folder when
// empty), in the order the directory lists them.  A folder that does not
// exist holds none; one that cannot be read throws.
std::vector<std::string> list_languages(const std::string& base = {}) {
    std::vector<std::string> names;
    const std::string folder = join_native(base, "lang");
    Folder dir;
    try {
        dir = Folder::open(folder, Folder::Use::List);
    } catch (const IoError& error) {
        if (error.kind() == IoKind::NotFound) return names;
        throw;
    }
    std::string name;
    EntryKind kind = EntryKind::Unknown;
    while (dir.next(name, kind))
        if (ends_with_tvl(name)) names.push_back(name);
    return names;
}

}  // namespace

void Language::scan_lang_dir() {
    std::vector<std::string> names = list_languages();
    if (names.empty()) {
        fill_english_table();
        write_lang_file(kEnglishLangFile, lang_table_);
        // One look again is enough: the file just written is there now.
        names = list_languages();
        if (names.empty()) return;
    }
    // The languages shipped beside the program that the current folder
    // lacks, after its own.  The program's folder is looked at only where
    // it is another one; failures to list it are passed over.
    if (!program_dir.empty() && !same_file(join_native(program_dir, "lang"), "lang")) {
        try {
            for (auto& name : list_languages(program_dir))
                if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
        } catch (const IoError&) {
        }
    }
    lang_files_ = std::move(names);
    lang_list.clear();
    for (const auto& file : lang_files_) lang_list.push_back(file.substr(0, file.size() - 4));
}

std::string Language::lang_file_name(const std::string& name) const {
    for (const auto& file : lang_files_)
        if (file.size() == name.size() + 4 && file.starts_with(name)) return file;
    return name + ".tvl";
}

std::string Language::lang_file_path(const std::string& stored) const {
    const std::string here = join_native(start_dir, stored);
    if (program_dir.empty() || file_exists(to_native_path(here))) return here;
    const std::string shipped = join_native(program_dir, stored);
    return file_exists(to_native_path(shipped)) ? shipped : here;
}

// ------------------------------------------------------------ language files

void write_lang_file(const std::string& path, const LangTable& table) {
    std::string text;
    for (const auto& entry : table) {
        text += entry;
        text += "\r\n";
    }
    OutputFile out(to_native_path(path));
    out.write_all(text.data(), text.size());
    out.commit();
}

}  // namespace tarnvold
