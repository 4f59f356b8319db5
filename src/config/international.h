// SPDX-License-Identifier: GPL-3.0-or-later
// The message table: the 56 interface texts of the program, the built-in
// English ones, and the language files in the folder "lang" that replace them.
#pragma once

#include "config/message_id.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvold {

inline constexpr std::size_t kMaxEntryLength = 150;        // characters
using LangTable = std::array<std::string, kMessageCount>;  // read through table_entry

// Entry n (1..56, see msg::MessageId) of a table; other numbers throw
// std::out_of_range.
const std::string& table_entry(const LangTable& table, int n);
std::string& table_entry(LangTable& table, int n);

// The English language file, written at every start and at quitting; also
// the language a new configuration file names.
inline constexpr char kEnglishLangFile[] = "lang\\english.tvl";

// The built-in English texts, entry for entry.
const LangTable& builtin_english();

// A window that takes its captions from the message table.
class CaptionTarget {
public:
    virtual ~CaptionTarget() = default;
    virtual void apply_captions(const LangTable& table) = 0;
};

// The program's one language state: the current table, the languages found
// in "lang" and the folder the program was started in.
class Language {
public:
    // Entry n (1..56) of the current table; other numbers throw
    // std::out_of_range.
    std::string message(int n) const { return table_entry(lang_table_, n); }
    const LangTable& lang_table() const { return lang_table_; }

    std::vector<std::string> lang_list;  // language names, in listing order
    std::string start_dir;               // captured once by the program at start
    // The program's own folder, where the shipped language files are found
    // when the current folder has none of the name; empty: not looked in.
    std::string program_dir;
    // The file the current table was loaded from; empty for the built-in
    // English.  Windows that show texts of their own beyond the table follow
    // it to the same language.
    std::string loaded_file;

    // The code page of Windows for the current language, in which its
    // users' passwords were typed there: 1250 for Polish, 1251 for Russian,
    // 1252 for English, the Western European languages and any other.
    int code_page() const;

    void add_caption_target(CaptionTarget* t);
    void remove_caption_target(CaptionTarget* t);

    // Makes `table` current (entries cut to 150 characters, or bytes for an
    // entry that is not UTF-8) and re-captions every registered window.
    void apply_lang_table(const LangTable& table);
    // Builds the built-in English table and applies it.
    void fill_english_table();
    // Writes the current table as kEnglishLangFile below start_dir; any
    // failure throws IoError.
    void write_english_file() const;
    // Reads a language file and applies it when it holds 56 lines or more.
    // A file whose texts are valid UTF-8 is read as UTF-8, any other as
    // Windows-1252; either way the table holds UTF-8.
    // A missing or short file is reported through `notice` and changes
    // nothing; a file that exists but cannot be read throws IoError.
    void load_lang_file(const std::string& path);
    // The file a stored language path ("lang\\deutsch.tvl") names: below
    // start_dir, or below program_dir when only that one has it.
    std::string lang_file_path(const std::string& stored) const;
    // Fills `lang_list` from "lang/*.tvl" below the current directory, in the
    // order the directory lists them; names are kept byte for byte, and the
    // extension may be in any case ("GERMAN.TVL").  With no language file at
    // all, English is made current and written as kEnglishLangFile first.
    void scan_lang_dir();
    // The file the language `name` was listed from ("GERMAN" ->
    // "GERMAN.TVL"); name + ".tvl" for a name that was not listed.
    std::string lang_file_name(const std::string& name) const;

    // Shows a text in an OK box with the caption "Tarnvold".
    std::function<void(std::string_view)> notice;

private:
    void tell(std::string_view text) const;

    LangTable lang_table_{};
    std::vector<std::string> lang_files_;  // the files behind lang_list
    std::vector<CaptionTarget*> targets_;
};

// Writes the table as a language file: 56 lines, each ended by CR LF.  The
// file appears complete or not at all; any failure throws IoError.
void write_lang_file(const std::string& path, const LangTable& table);

// The texts of the two language-file messages, which are never translated.
inline constexpr char kLangFileMissing[] = "Can not find language file";
inline constexpr char kLangFileBad[] = "Bad lang file";

}  // namespace tarnvold
