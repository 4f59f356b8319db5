// SPDX-License-Identifier: GPL-3.0-or-later
#include "io/log_device.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnvold {
namespace {

class LogDeviceTest : public ::testing::Test {
protected:
    LogDeviceTest() : log([this](const std::string& line) { lines.push_back(line); }) {
        log.prepare();
        log.open_for_writing();
    }
    // A text whose every character tells its position.
    static std::string pattern(std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('!' + i % 90));
        return s;
    }

    std::vector<std::string> lines;
    LogDevice log;
};

TEST_F(LogDeviceTest, ReportsAreCutInto128ByteLines) {
    const struct {
        std::size_t length;
        std::vector<std::size_t> pieces;
    } cases[] = {{0, {0}},         {126, {126}},         {127, {127, 0}},      {128, {128, 0}},
                 {200, {128, 72}}, {255, {128, 127, 0}}, {256, {128, 128, 0}}, {300, {128, 128, 44}}};
    for (const auto& c : cases) {
        lines.clear();
        const std::string text = pattern(c.length);
        log.write(text.substr(0, c.length / 3));  // items do not change the cut
        log.write(text.substr(c.length / 3));
        log.write_line();
        std::string joined;
        ASSERT_EQ(lines.size(), c.pieces.size()) << c.length;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].size(), c.pieces[i]) << c.length;
            joined += lines[i];
        }
        EXPECT_EQ(joined, text);
    }
}

TEST_F(LogDeviceTest, FullBufferBecomesALineAtOnce) {
    log.write(pattern(130));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], pattern(128));
}

TEST_F(LogDeviceTest, ItemsAreJoinedAsTheyAre) {
    log.write("Starting code for : ");
    log.write("/home/a b/x.txt");
    log.write_line();
    log.write(std::int64_t{-5});
    log.write(std::int64_t{0});
    log.write(std::numeric_limits<std::int64_t>::min());
    log.write_line();
    log.write("a\nb\rc");
    log.write_line();
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Starting code for : /home/a b/x.txt", "-50-9223372036854775808", "ab\rc"}));
}

TEST_F(LogDeviceTest, WritingWhileClosedIsAnError) {
    log.write("left over");
    log.prepare();
    EXPECT_THROW(log.write("x"), std::logic_error);
    EXPECT_THROW(log.write_line(), std::logic_error);
    EXPECT_FALSE(log.is_open());
    log.open_for_writing();
    log.write_line();
    EXPECT_EQ(lines, std::vector<std::string>{""});
}

TEST_F(LogDeviceTest, CutsNeverSplitAUtf8Character) {
    const std::string a127(127, 'a'), a126(126, 'a'), a125(125, 'a');
    // clang-format off
    const struct {
        std::vector<std::string> items;
        std::vector<std::string> lines;
    } cases[] = {
        {{a127 + "\xC3\xA9" "b"}, {a127, "\xC3\xA9" "b"}},                 // é at 127..128
        {{a127, "\xC3", "\xA9", "b"}, {a127, "\xC3\xA9" "b"}},           // the same, byte by byte
        {{a126 + "\xE2\x82\xAC"}, {a126, "\xE2\x82\xAC"}},               // € at 126..128, then the line end
        {{a125, "\xF0\x9F\x98\x80" "z"}, {a125, "\xF0\x9F\x98\x80" "z"}},  // a 4-byte character
        {{a126 + "\xC3\xA9"}, {a126 + "\xC3\xA9", ""}},                  // ends exactly at 128
        // Bytes that are not UTF-8 are cut at 128 as ever.
        {{a127 + "\xE9x"}, {a127 + "\xE9", "x"}},
        {{a127, "\xE9"}, {a127 + "\xE9", ""}},
        {{a126 + "\xE2\x82" "x"}, {a126 + "\xE2\x82", "x"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        lines.clear();
        for (const auto& item : c.items) log.write(item);
        log.write_line();
        EXPECT_EQ(lines, c.lines) << c.items.front().size();
    }
    lines.clear();
    std::string euros;
    for (int i = 0; i < 100; ++i) euros += "\xE2\x82\xAC";
    log.write(euros);
    log.write_line();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 126u);
    EXPECT_EQ(lines[1].size(), 126u);
    EXPECT_EQ(lines[0] + lines[1] + lines[2], euros);
}

}  // namespace
}  // namespace tarnvold
