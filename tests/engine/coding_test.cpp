// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine.h"
#include "engine/keystream.h"
#include "io/file_io.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

// What a coded payload must be, computed in one piece from the definitions.
std::string expected_payload(const std::string& plain, std::int32_t seed, const std::string& password) {
    std::vector<std::uint8_t> buf(plain.begin(), plain.end());
    level1_xor(seed, 1, buf.data(), buf.size());
    PasswordStream(password).xor_into(buf.data(), buf.size());
    return std::string(buf.begin(), buf.end());
}

}  // namespace

TEST(Checksum, IsThePlainByteSum) {
    TempDir dir;
    ScriptUi ui;
    Engine engine(ui);
    write_file(dir.file("three"), std::string("\x01\x02\xFF", 3));
    EXPECT_EQ(engine.file_byte_sum(dir.file("three")), 258);
    EXPECT_EQ(ui.lines, (std::vector<std::string>{"CRC check :" + dir.file("three"), "CRC :258"}));

    write_file(dir.file("empty"), "");
    ui = ScriptUi();
    EXPECT_EQ(engine.file_byte_sum(dir.file("empty")), 0);
    EXPECT_EQ(ui.lines.back(), "CRC :0");
    EXPECT_EQ(ui.with_prefix("setup:checksum"), std::vector<std::string>{"setup:checksum:0:0:1"});
}

TEST(Checksum, PassesTwoToTheThirtyOneAcrossTwoBlocks) {
    TempDir dir;
    ScriptUi ui;
    ui.record_steps = false;
    Engine engine(ui);
    write_file(dir.file("ff"), std::string(10485761, '\xFF'));
    EXPECT_EQ(engine.file_byte_sum(dir.file("ff")), 2673869055LL);
    EXPECT_EQ(ui.steps[ProgressBarId::Checksum], 150);
}

TEST(Checksum, ProgressStepsFollowTheSize) {
    TempDir dir;
    for (auto [size, step, advances] : {std::tuple{149, 1, 149}, {150, 1, 150}, {300, 2, 150}, {451, 3, 150}}) {
        ScriptUi ui;
        Engine engine(ui);
        write_file(dir.file("f"), std::string(static_cast<std::size_t>(size), 'x'));
        engine.file_byte_sum(dir.file("f"));
        EXPECT_EQ(ui.steps[ProgressBarId::Checksum], advances) << size;
        EXPECT_EQ(ui.with_prefix("setup:checksum")[0],
                  "setup:checksum:0:" + std::to_string(size) + ":" + std::to_string(step));
        // Every bar step lets the window breathe right away.
        for (std::size_t i = 0; i < ui.calls.size(); ++i) {
            if (ui.calls[i] == "step:checksum") {
                ASSERT_EQ(ui.calls.at(i + 1), "events");
            }
        }
    }
}

TEST(Coding, EmptyFileGivesTheExact38Bytes) {
    TempDir dir;
    ScriptUi ui;
    Engine engine(ui);
    write_file(dir.file("empty"), "");
    EXPECT_EQ(engine.codefile(dir.file("empty"), dir.file("empty.cod"), "ab"), Outcome::Done);
    const std::string expected = std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') +
                                 std::string("\x22\x00", 2) + std::string(12, '\0');
    EXPECT_EQ(read_file(dir.file("empty.cod")), expected);
    EXPECT_EQ(ui.lines, (std::vector<std::string>{
                            "Starting code for : " + dir.file("empty"),
                            "CRC check :" + dir.file("empty"),
                            "CRC :0",
                            "Coding finished",
                            dir.file("empty") + "-->" + dir.file("empty.cod"),
                        }));
}

TEST(Coding, UserVisibleStepsComeInTheirOrder) {
    TempDir dir;
    ScriptUi ui;
    Engine engine(ui);
    write_file(dir.file("a"), "xyz");
    engine.codefile(dir.file("a"), dir.file("b"), "pw");
    // Labels and bars are set up before the checksum runs, and put back at
    // rest after the last log line.
    std::vector<std::string> setup(ui.calls.begin() + 1, ui.calls.begin() + 9);
    EXPECT_EQ(setup, (std::vector<std::string>{"caption:pass1:Level 1 coding", "caption:pass2:Level 2 coding",
                                               "setup:pass1:0:3:1", "setup:pass2:0:3:1", "show:checksum", "show:pass1",
                                               "show:pass2", "log:CRC check :" + dir.file("a")}));
    std::vector<std::string> tail(ui.calls.end() - 6, ui.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"hide:checksum", "hide:pass1", "hide:pass2", "pos:checksum:0",
                                              "pos:pass1:0", "pos:pass2:0"}));
    EXPECT_EQ(ui.count("step:pass1"), 3);
    EXPECT_EQ(ui.count("step:pass2"), 3);
}

TEST(Coding, SeedsOfSuccessiveFilesEndTheCodedFiles) {
    TempDir dir;
    ScriptUi ui;
    Engine engine(ui);
    write_file(dir.file("src"), "hello world");
    const std::vector<std::string> tails = {std::string("\0\0\0\0", 4), std::string("\x00\x9A\xC6\x16", 4),
                                            std::string("\x10\x96\xE8\x8F", 4)};
    for (int i = 0; i < 3; ++i) {
        const std::string out = dir.file("out" + std::to_string(i));
        engine.codefile(dir.file("src"), out, "pw");
        const std::string coded = read_file(out);
        ASSERT_EQ(coded.size(), 11u + 38u);
        EXPECT_EQ(coded.substr(coded.size() - 4), tails[static_cast<std::size_t>(i)]) << i;
    }
}

TEST(Coding, PayloadIsTheSameWhereverBlocksEnd) {
    // 10485760 bytes fill one block exactly; one more byte needs a second.
    TempDir dir;
    for (std::size_t size : {std::size_t{10485760}, std::size_t{10485761}}) {
        ScriptUi ui;
        ui.record_steps = false;
        Engine engine(ui);
        engine.seeds().next_seed();  // code as the second file: seed 10143254
        const std::string plain = random_bytes(size, static_cast<unsigned>(size));
        write_file(dir.file("big"), plain);
        std::filesystem::remove(dir.file("big.cod"));
        engine.codefile(dir.file("big"), dir.file("big.cod"), "Tarnvold");
        const std::string coded = read_file(dir.file("big.cod"));
        ASSERT_EQ(coded.size(), size + 38);
        EXPECT_TRUE(coded.substr(34, size) == expected_payload(plain, 10143254, "Tarnvold")) << size;
        EXPECT_EQ(ui.steps[ProgressBarId::Pass1], 150);
        EXPECT_EQ(ui.steps[ProgressBarId::Pass2], 150);
    }
}

TEST(Coding, ExistingDestinationIsAskedAbout) {
    TempDir dir;
    write_file(dir.file("src"), "new contents");
    write_file(dir.file("dst"), "old contents that are rather longer than the new ones");
    {
        ScriptUi ui;
        ui.answers = {false};
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("dst"), "pw"), Outcome::Declined);
        EXPECT_EQ(ui.lines, (std::vector<std::string>{"Starting code for : " + dir.file("src"), "Coding aborted"}));
        EXPECT_EQ(ui.count("ask:This file exists.Do you want to rewrite this file ?"), 1);
        EXPECT_EQ(read_file(dir.file("dst")), "old contents that are rather longer than the new ones");
    }
    {
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("dst"), "pw"), Outcome::Done);
        EXPECT_EQ(read_file(dir.file("dst")).size(), 12u + 38u);
    }
}

TEST(Coding, AFolderUnderTheDestinationNameIsRefusedWithoutAQuestion) {
    TempDir dir;
    write_file(dir.file("src"), "data");
    std::filesystem::create_directory(dir.file("folder"));
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(dir.file("src"), dir.file("folder"), "pw"), Outcome::Refused);
    EXPECT_EQ(ui.with_prefix("ask:").size(), 0u);
    EXPECT_EQ(ui.count("notice:" + dir.file("folder") + " is not a regular file and cannot be replaced"), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder")));
}
