// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine.h"
#include "io/file_io.h"
#include "support/coded_files.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

const char* const kNotCoded = "This is not Tarnvold coded file";
const char* const kMismatch = "CRC mistmatch. May be wrong password ???";
const char* const kNewer =
    "The version of Tarnvold, used for coding of this file is bigger than yours.Do you want to try "
    "decoding anywhere ?";

}  // namespace

TEST(Decoding, RestoresWhatWasCodedWithItsSixLines) {
    TempDir dir;
    const std::string plain = "The quick brown fox jumps over the lazy dog\r\n";
    const std::string coded = make_coded(dir.file("fox.txt.cod"), plain, "my password");
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.decodefile(coded, dir.file("back.txt"), "my password"), Outcome::Done);
    EXPECT_EQ(read_file(dir.file("back.txt")), plain);
    EXPECT_EQ(ui.lines, (std::vector<std::string>{
                            "Starting decode for " + coded,
                            "Original file CRC : 4080",
                            "CRC check :" + dir.file("back.txt"),
                            "CRC :4080",
                            "Decoding finished",
                            coded + "-->" + dir.file("back.txt"),
                        }));
    EXPECT_EQ(ui.with_prefix("setup:pass1")[0], "setup:pass1:0:" + std::to_string(plain.size() + 38) + ":1");
    // A password of ASCII is checked once, on the restored bytes.
    EXPECT_EQ(ui.with_prefix("setup:checksum").size(), 1u);
}

// Files coded on Windows hold the password's bytes in the system's code
// page: typed as UTF-8 here, the same letters open them, and the log says
// which form matched.  A file coded with UTF-8 bytes opens too when the
// password is handed over in a code page.
TEST(Decoding, PasswordLettersBeyondAsciiOpenFilesCodedInAnyOfTheirForms) {
    TempDir dir;
    struct Case {
        std::string letters, bytes, form;
        std::size_t size;
        int given;
    };
    const Case cases[] = {
        {"\u00e9t\u00e9", "\xE9t\xE9", "Windows-1252", (3u << 19) + 7, kUtf8},  // read in blocks
        {"za\u017c\u00f3\u0142\u0107", "za\xBF\xF3\xB3\xE6", "Windows-1250", 4001, kUtf8},
        {"\u043f\u0430\u0440\u043e\u043b\u044c", "\xEF\xE0\xF0\xEE\xEB\xFC", "Windows-1251", 3, kUtf8},
        {"\xE9t\xE9", "\u00e9t\u00e9", "UTF-8", 900, 1252},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        std::string plain(c.size, '\0');
        for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 7 + i / 251);
        const std::string coded = make_coded(dir.file(c.form + ".cod"), plain, c.bytes);
        ScriptUi ui;
        Engine engine(ui);
        engine.password_forms = {.given = c.given, .preferred = {1252}};  // English's
        std::filesystem::remove(dir.file("out"));
        EXPECT_EQ(engine.decodefile(coded, dir.file("out"), c.letters), Outcome::Done);
        EXPECT_EQ(read_file(dir.file("out")), plain);
        EXPECT_EQ(ui.count("log:Password taken as " + c.form), 1);
        EXPECT_EQ(engine.matched_form(), code_page_named(c.form));
    }
}

// A wrong password beyond ASCII: its forms are all checked in one pass
// over the file, and since none matches, nothing is written.
TEST(Decoding, WrongPasswordBeyondAsciiIsCheckedOnceAndWritesNothing) {
    TempDir dir;
    const std::string coded = make_coded(dir.file("a.cod"), std::string(3u << 19, 'x'), "\xE9t\xE9");
    ScriptUi ui;
    ui.record_steps = false;
    Engine engine(ui);
    engine.password_forms.given = kUtf8;
    const std::string wrong = "\u00e9t\u00e8";
    ASSERT_GT(forms_to_try(wrong, engine.password_forms).size(), 1u);
    EXPECT_EQ(engine.decodefile(coded, dir.file("out"), wrong), Outcome::ChecksumMismatch);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    EXPECT_EQ(ui.with_prefix("setup:checksum").size(), 1u);
    EXPECT_EQ(ui.count(std::string("notice:") + kMismatch), 1);
    EXPECT_EQ(ui.with_prefix("log:Password taken").size(), 0u);
}

TEST(Decoding, EmptyOriginalComesBackEmpty) {
    TempDir dir;
    const std::string coded = make_coded(dir.file("empty.cod"), "", "ab");
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.decodefile(coded, dir.file("out"), "ab"), Outcome::Done);
    EXPECT_EQ(read_file(dir.file("out")), "");
    EXPECT_EQ(ui.lines[1], "Original file CRC : 0");
    EXPECT_EQ(ui.lines[3], "CRC :0");
}

TEST(Decoding, WrongPasswordReplacesNothingAndKeepsANewOutput) {
    TempDir dir;
    const std::string plain(5000, 'A');
    const std::string coded = make_coded(dir.file("a.cod"), plain, "right");
    {
        // Under a free name the output stays, and the mismatch is said.
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.decodefile(coded, dir.file("out"), "wrong"), Outcome::ChecksumMismatch);
        EXPECT_EQ(read_file(dir.file("out")).size(), plain.size());
        EXPECT_EQ(ui.lines.back(), kMismatch);
        EXPECT_EQ(ui.count(std::string("notice:") + kMismatch), 1);
        EXPECT_EQ(ui.count("log:Decoding finished"), 0);
    }
    {
        // An existing file, Yes to the question: it stays exactly as it was.
        write_file(dir.file("keep.txt"), "the user's own file");
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        const FileOutcome outcome = engine.decodefile(coded, dir.file("keep.txt"), "wrong");
        EXPECT_EQ(outcome, Outcome::ChecksumMismatch);
        EXPECT_EQ(read_file(dir.file("keep.txt")), "the user's own file");
        EXPECT_EQ(ui.lines.back(), dir.file("keep.txt") + " kept; the decoded data did not match");
        EXPECT_EQ(ui.count(std::string("notice:") + kMismatch), 1);
        EXPECT_FALSE(engine.last_output());
        EXPECT_EQ(entry_count(dir.path()), 3u) << "a temporary file was left";  // a.cod, out, keep.txt
        // The right password replaces it.
        ui.answers = {true};
        EXPECT_EQ(engine.decodefile(coded, dir.file("keep.txt"), "right"), Outcome::Done);
        EXPECT_EQ(read_file(dir.file("keep.txt")), plain);
    }
}

TEST(Decoding, FilesWithoutTheSignatureAreNotDecoded) {
    TempDir dir;
    const std::vector<std::string> impostors = {
        std::string("\x08Tarnvolt", 9) + std::string(40, 'x'),            // 08 and eight other bytes
        std::string("\x07Tarnvold", 9) + std::string(40, 'x'),            // another length byte
        std::string(64, 'p'),                                             // plain text
        std::string(12, 'n'),                                             // a note shorter than the header
        std::string("\x08Tarnvold\x01\x05", 11) + std::string(20, '\0'),  // 31 bytes: the header cut short
    };
    for (const auto& bytes : impostors) {
        write_file(dir.file("plain"), bytes);
        {
            ScriptUi ui;
            Engine engine(ui);
            EXPECT_EQ(engine.decodefile(dir.file("plain"), dir.file("out"), "pw"), Outcome::NotCoded);
            EXPECT_EQ(ui.lines, (std::vector<std::string>{"Starting decode for " + dir.file("plain"),
                                                          "Decoding aborted", kNotCoded}));
            EXPECT_EQ(ui.count(std::string("notice:") + kNotCoded), 1);
            EXPECT_EQ(ui.calls.back(), "hide:pass2");
        }
        {
            // During a folder decode started from the list pane: the log only.
            ScriptUi ui;
            Engine engine(ui);
            engine.batch_mode = true;
            engine.decodefile(dir.file("plain"), dir.file("out"), "pw");
            EXPECT_EQ(ui.lines, (std::vector<std::string>{"Starting decode for " + dir.file("plain"), kNotCoded}));
            EXPECT_TRUE(ui.with_prefix("notice:").empty());
        }
        EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
    }
}

TEST(Decoding, OverwriteQuestionComesBeforeTheSourceIsExamined) {
    TempDir dir;
    write_file(dir.file("plain"), std::string(64, 'p'));
    write_file(dir.file("out"), "keep me");
    {
        ScriptUi ui;
        ui.answers = {false};
        Engine engine(ui);
        EXPECT_EQ(engine.decodefile(dir.file("plain"), dir.file("out"), "pw"), Outcome::Declined);
        EXPECT_EQ(ui.lines, std::vector<std::string>{"Decoding aborted"});
    }
    {
        // Yes, but the source turns out not to be coded: the file stays.
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        engine.decodefile(dir.file("plain"), dir.file("out"), "pw");
        EXPECT_EQ(read_file(dir.file("out")), "keep me");
    }
}

TEST(Decoding, NewerVersionsAreAskedAboutOnce) {
    TempDir dir;
    const std::string coded = make_coded(dir.file("v.cod"), "versioned contents", "pw");
    const std::string original = read_file(coded);
    struct Case {
        unsigned char major, minor;
        bool asks;
    };
    for (const Case c : {Case{1, 5, false}, Case{1, 0, false}, Case{0, 9, false}, Case{1, 6, true}, Case{2, 0, true},
                         Case{2, 9, true}, Case{255, 255, true}}) {
        std::string bytes = original;
        bytes[9] = static_cast<char>(c.major);
        bytes[10] = static_cast<char>(c.minor);
        write_file(dir.file("v.cod"), bytes);
        std::filesystem::remove(dir.file("out"));
        ScriptUi ui;
        if (c.asks) ui.answers = {false};
        Engine engine(ui);
        const Outcome outcome = engine.decodefile(dir.file("v.cod"), dir.file("out"), "pw");
        EXPECT_EQ(ui.count(std::string("ask:") + kNewer), c.asks ? 1 : 0) << int(c.major) << "." << int(c.minor);
        EXPECT_EQ(outcome, c.asks ? Outcome::Declined : Outcome::Done);
        EXPECT_EQ(std::filesystem::exists(dir.file("out")), !c.asks);
        if (c.asks) {
            EXPECT_EQ(ui.lines.back(), "Decoding aborted");
            ScriptUi yes;
            yes.answers = {true};
            Engine again(yes);
            EXPECT_EQ(again.decodefile(dir.file("v.cod"), dir.file("out"), "pw"), Outcome::Done);
        }
    }
}

TEST(Decoding, DamagedFilesAreRefusedByNameAndLeaveTheDestinationAlone) {
    TempDir dir;
    const std::string coded = read_file(make_coded(dir.file("t.cod"), "", "pw"));
    // A valid header with no room for the seed: 32 bytes (a payload length
    // of -6) to 37 (-1); and a payload offset beyond the file's end.
    std::string past_end = coded;
    past_end[24] = '\xff';
    for (const std::string& bytes : {coded.substr(0, 32), coded.substr(0, 37), past_end}) {
        write_file(dir.file("short.cod"), bytes);
        write_file(dir.file("out"), "stays");
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        const FileOutcome outcome = engine.decodefile(dir.file("short.cod"), dir.file("out"), "pw");
        EXPECT_EQ(outcome, Outcome::Refused);
        EXPECT_EQ(outcome.reason.why, Why::DamagedCodedFile);
        EXPECT_EQ(ui.lines.at(1),
                  dir.file("short.cod") + " is a damaged coded file: it is too short for its own header");
        EXPECT_EQ(read_file(dir.file("out")), "stays");
        // The progress display is back at rest.
        EXPECT_EQ(ui.count("hide:pass1"), 1);
        EXPECT_EQ(ui.count("hide:pass2"), 1);
        EXPECT_EQ(engine.test_file(dir.file("short.cod"), "pw"), Outcome::Refused);
    }
}
