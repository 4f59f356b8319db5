// SPDX-License-Identifier: GPL-3.0-or-later
#include "config_fixture.h"

#include "io/file_io.h"

#include <algorithm>

namespace tarnvold::testing {
namespace {

using Lang = ConfigTest;

TEST(BuiltinEnglish, HoldsTheExactTexts) {
    const LangTable& t = builtin_english();
    ASSERT_EQ(t.size(), 56u);
    EXPECT_EQ(table_entry(t, msg::kFile), "File");
    EXPECT_EQ(table_entry(t, msg::kBlank), " ");
    EXPECT_EQ(table_entry(t, msg::kCodingFilesIn), "Coding files in ");
    EXPECT_EQ(table_entry(t, msg::kStartingCode), "Starting code for : ");
    EXPECT_EQ(table_entry(t, msg::kCrcMismatch), "CRC mistmatch. May be wrong password ???");
    EXPECT_EQ(table_entry(t, msg::kSelectDestination), "Select distanation directory");
    EXPECT_EQ(table_entry(t, msg::kSelectLanguage), "Select language");
    for (const auto& e : t) {
        EXPECT_LE(e.size(), kMaxEntryLength);
        EXPECT_EQ(e.find_first_of("\r\n"), std::string::npos);
    }
}

TEST_F(Lang, TablesReachEveryRegisteredTarget) {
    RecordingTarget a, b;
    language.add_caption_target(&a);
    language.add_caption_target(&b);
    EXPECT_EQ(language.message(msg::kCode), "");
    language.fill_english_table();
    EXPECT_EQ(language.message(msg::kCode), "Code");
    LangTable other{};
    table_entry(other, msg::kCode) = std::string(200, 'x');
    language.remove_caption_target(&a);
    language.apply_lang_table(other);
    EXPECT_EQ(language.message(msg::kCode), std::string(150, 'x'));
    ASSERT_EQ(a.seen.size(), 1u);
    ASSERT_EQ(b.seen.size(), 2u);
    EXPECT_EQ(b.seen[1], language.lang_table());
    EXPECT_THROW(language.message(0), std::out_of_range);
    EXPECT_THROW(language.message(57), std::out_of_range);
}

TEST_F(Lang, WrittenFileHas56CrLfLinesAndLoadsBack) {
    make_lang_folder();
    write_lang_file("lang\\english.tvl", builtin_english());
    const std::string bytes = read_file("lang/english.tvl");
    EXPECT_EQ(bytes.rfind("File\r\nOptions\r\nHelp\r\n", 0), 0u);
    EXPECT_NE(bytes.find("\r\nDecode\r\n \r\nExit\r\n"), std::string::npos);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 56);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 56);
    EXPECT_TRUE(bytes.ends_with("\r\nSelect language\r\n"));

    LangTable odd{};
    odd[0] = std::string(150, 'a');
    odd[1] = "\xC3\xBF\x01 trailing  ";
    write_lang_file("lang\\odd.tvl", odd);
    language.load_lang_file("lang\\odd.tvl");
    EXPECT_EQ(language.lang_table(), odd);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(entry_count(dir.path() / "lang"), 2u);  // no leftovers

    // The code page the language's users type in on Windows, by its name
    // in any case.
    EXPECT_EQ(language.code_page(), 1252);
    write_lang_file("lang\\POLSKI.TVL", odd);
    language.load_lang_file("lang\\POLSKI.TVL");
    EXPECT_EQ(language.code_page(), 1250);
    write_lang_file("lang\\russkij.tvl", odd);
    language.load_lang_file("lang\\russkij.tvl");
    EXPECT_EQ(language.code_page(), 1251);
}

TEST_F(Lang, WriteFailureNamesTheFile) {
    try {
        write_lang_file("lang\\english.tvl", builtin_english());
        FAIL() << "no error for a missing folder";
    } catch (const IoError& e) {
        // The folder that cannot take the file is what is named.
        EXPECT_EQ(e.path(), "lang");
        EXPECT_EQ(std::string(e.what()), "lang: No such file or directory.");
    }
}

TEST_F(Lang, LoadAcceptsFilesOf56LinesOrMore) {
    struct Case {
        std::string text;
        std::string e1, e56;
    };
    const Case cases[] = {
        {numbered_lines(56, "n", "\r\n"), "n1", "n56"},
        {numbered_lines(55, "n", "\n") + "n56", "n1", "n56"},
        {numbered_lines(55, "n", "\r\n") + "\r\n", "n1", ""},
        {numbered_lines(60, "n", "\r\n"), "n1", "n56"},
        {std::string(200, 'w') + "\r\n" + numbered_lines(55, "m", "\n"), std::string(150, 'w'), "m55"},
        {"a\rjunk\n" + std::string("\0\xfe", 2) + "\n" + numbered_lines(54, "b", "\n"), "a", "b54"},
    };
    for (const auto& c : cases) {
        write_file("x.tvl", c.text);
        language.fill_english_table();
        language.load_lang_file("x.tvl");
        EXPECT_TRUE(notices.empty()) << c.text;
        EXPECT_EQ(language.message(1), c.e1);
        EXPECT_EQ(language.message(56), c.e56);
    }
    EXPECT_EQ(language.message(2), std::string("\0\xC3\xBE", 3));  // þ in Windows-1252
}

TEST_F(Lang, FilesAreReadAsUtf8WhenTheyAreAndAsWindows1252Otherwise) {
    std::string u200, u150;
    for (int i = 0; i < 200; ++i) u200 += "ü";
    for (int i = 0; i < 150; ++i) u150 += "ü";
    const std::string a149(149, 'a');
    // clang-format off
    struct Case { std::string l1, l2, l3, l4; std::string e1, e2, e3, e4; };
    const Case cases[] = {
        // UTF-8, with a byte-order mark; 150 characters kept, none cut in two.
        {"\xEF\xBB\xBF" "Datei", "Ansicht wählen", u200, a149 + "€x", "Datei", "Ansicht wählen", u150, a149 + "€"},
        // Windows-1252: every byte a character, the undefined ones included.
        {"Datei", "Ansicht w\xE4hlen", std::string(200, '\xFC'), "\x80\x81\x9F\xFF",
         "Datei", "Ansicht wählen", u150, "€\xC2\x81Ÿÿ"},
        // One byte that is not UTF-8 makes the whole file Windows-1252.
        {"ü", "\xE4", "x", "y", "\xC3\x83\xC2\xBC", "ä", "x", "y"},
    };
    // clang-format on
    for (const auto& c : cases) {
        write_file("x.tvl",
                   c.l1 + "\r\n" + c.l2 + "\r\n" + c.l3 + "\r\n" + c.l4 + "\r\n" + numbered_lines(52, "n", "\r\n"));
        language.load_lang_file("x.tvl");
        EXPECT_EQ(language.message(1), c.e1);
        EXPECT_EQ(language.message(2), c.e2);
        EXPECT_EQ(language.message(3), c.e3);
        EXPECT_EQ(language.message(4), c.e4);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(Lang, ShortOrMissingFilesAreReportedAndChangeNothing) {
    RecordingTarget t;
    language.fill_english_table();
    language.add_caption_target(&t);
    for (const std::string& text : {numbered_lines(55, "n", "\r\n"), numbered_lines(60, "n", "\r"), std::string()}) {
        write_file("x.tvl", text);
        language.load_lang_file("x.tvl");
    }
    language.load_lang_file("lang\\missing.tvl");
    EXPECT_EQ(notices, (std::vector<std::string>{"Bad lang file", "Bad lang file", "Bad lang file",
                                                 "Can not find language file"}));
    EXPECT_EQ(language.lang_table(), builtin_english());
    EXPECT_TRUE(t.seen.empty());
}

TEST_F(Lang, ScanListsLanguagesInDirectoryOrder) {
#ifdef _WIN32
    // Names are UTF-16 there: none holds a byte that is not UTF-8.
    const std::string odd = "French";
#else
    const std::string odd = "fr\xE9nch";
#endif
    make_lang_folder();
    // Names are kept byte for byte, and the extension is matched in any case.
    for (const std::string name : {"german.tvl", "english.tvl", "readme.txt", "old.tvl.bak", "SPANISH.TVL"})
        write_file("lang/" + name, numbered_lines(56, "", "\n"));
    write_file("lang/" + odd + ".Tvl", numbered_lines(56, "", "\n"));
    std::filesystem::create_directory("lang/folder.tvl");
    std::vector<std::string> expected;
    for (const auto& e : std::filesystem::directory_iterator("lang")) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".tvl") || name.ends_with(".TVL") || name.ends_with(".Tvl"))
            expected.push_back(name.substr(0, name.size() - 4));
    }
    language.scan_lang_dir();
    EXPECT_EQ(language.lang_list, expected);
    EXPECT_EQ(language.lang_list.size(), 5u);
    EXPECT_EQ(language.lang_file_name("SPANISH"), "SPANISH.TVL");
    EXPECT_EQ(language.lang_file_name(odd), odd + ".Tvl");
    EXPECT_EQ(language.lang_file_name("italiano"), "italiano.tvl");
    EXPECT_EQ(language.message(1), "");  // nothing regenerated
}

TEST_F(Lang, ScanRegeneratesEnglishWhenNoLanguageIsThere) {
    RecordingTarget t;
    language.add_caption_target(&t);
    language.lang_list = {"old"};
    EXPECT_THROW(language.scan_lang_dir(), IoError);  // no "lang" folder to write into
    EXPECT_EQ(language.lang_list, std::vector<std::string>{"old"});

    make_lang_folder();
    write_file("lang/notes.txt", "x");
    language.scan_lang_dir();
    EXPECT_EQ(language.lang_list, std::vector<std::string>{"english"});
    EXPECT_EQ(language.lang_table(), builtin_english());
    EXPECT_EQ(t.seen.back(), builtin_english());
    write_lang_file("expected.tvl", builtin_english());
    EXPECT_EQ(read_file("lang/english.tvl"), read_file("expected.tvl"));
}

}  // namespace
}  // namespace tarnvold::testing
