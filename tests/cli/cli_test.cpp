// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli code, decode and test, run as a real process.
#include "support/coded_files.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold::testing;

namespace {

const std::string kCli = TARNVOLD_CLI;

}  // namespace

TEST(Cli, CodeReproducesTheSharedVectorsWithTheFiveLines) {
    TempDir dir;
    write_file(dir.file("pw"), "Tarnvold\r\n");
    const auto r = run_process(
        {kCli, "code", "-v", "--password-file", dir.file("pw"), vector_file("lorem.txt"), dir.file("out.cod")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read_file(dir.file("out.cod")) == read_file(vector_file("lorem.txt.cod")));
    EXPECT_EQ(lines_of(r.out), (std::vector<std::string>{
                                   "Starting code for : " + vector_file("lorem.txt"),
                                   "CRC check :" + vector_file("lorem.txt"),
                                   "CRC :199393",
                                   "Coding finished",
                                   vector_file("lorem.txt") + "-->" + dir.file("out.cod"),
                               }));
    EXPECT_EQ(r.err, "");
}

TEST(Cli, DecodeRestoresEveryVectorWithTheSixLines) {
    TempDir dir;
    // The 260-byte password comes in on standard input, its line end left off.
    const std::string pw260 = read_file(vector_file("pw-260.txt"));
    const auto r = run_process({kCli, "decode", "--verb", vector_file("random-5000.bin.cod"), dir.file("out")}, pw260);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read_file(dir.file("out")) == read_file(vector_file("random-5000.bin")));
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "Original file CRC : 639692");
    EXPECT_EQ(lines[4], "Decoding finished");

    const auto seed3 =
        run_process({kCli, "decode", "-q", vector_file("lorem.txt.seed3.cod"), dir.file("lorem")}, "Secret pass\n");
    EXPECT_EQ(seed3.status, 0) << seed3.err;
    EXPECT_EQ(seed3.out, "");  // --quiet
    EXPECT_TRUE(read_file(dir.file("lorem")) == read_file(vector_file("lorem.txt")));
}

TEST(Cli, SeedsFollowTheOrderOfFilesInOneRun) {
    TempDir dir;
    write_file(dir.file("a"), "some contents");
    // Each process starts its generator afresh: the first file gets seed 0.
    for (int i = 0; i < 2; ++i) {
        std::filesystem::remove(dir.file("a.cod"));
        const auto r = run_process({kCli, "code", dir.file("a"), dir.file("a.cod")}, "pw\n");
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string coded = read_file(dir.file("a.cod"));
        EXPECT_EQ(coded.substr(coded.size() - 4), std::string(4, '\0'));
    }
}

TEST(Cli, QuestionsWithoutATerminalAreAnsweredNoUnlessYes) {
    TempDir dir;
    write_file(dir.file("a"), "new");
    write_file(dir.file("b"), "old");
    const auto no = run_process({kCli, "code", dir.file("a"), dir.file("b")}, "pw\n");
    EXPECT_EQ(no.status, 1);
    EXPECT_EQ(read_file(dir.file("b")), "old");
    EXPECT_EQ(no.out, "");
    EXPECT_EQ(no.err, "tarnvold-cli: " + dir.file("b") + ": exists; not replaced (use --yes to replace it)\n");

    const auto yes = run_process({kCli, "code", "--yes", dir.file("a"), dir.file("b")}, "pw\n");
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(read_file(dir.file("b")).size(), 3u + 38u);
}

TEST(Cli, UsageAndInputOutputErrorsHaveTheirOwnStatus) {
    TempDir dir;
    write_file(dir.file("a"), "x");
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
    };
    const std::vector<Case> cases = {
        {{kCli}, "", 2},
        {{kCli, "frobnicate", "a", "b"}, "pw\n", 2},
        {{kCli, "code", "-"}, "pw\n", 2},
        {{kCli, "code", "--password-file=", dir.file("a"), dir.file("b")}, "pw\n", 2},
        {{kCli, "code", "--ver", dir.file("a"), dir.file("b")}, "pw\n", 2},  // --version or --verbose
        {{kCli, "code", "--bogus", dir.file("a"), dir.file("b")}, "pw\n", 2},
        {{kCli, "code", dir.file("a"), dir.file("b")}, "p\n", 2},  // password too short
        {{kCli, "code", dir.file("a"), dir.file("b")}, "", 2},     // no password at all
        {{kCli, "test"}, "pw\n", 2},
        {{kCli, "code", "--password-file", dir.file("nope"), dir.file("a"), dir.file("b")}, "", 3},
        {{kCli, "code", dir.file("missing"), dir.file("b")}, "pw\n", 1},  // as cp
        {{kCli, "decode", dir.file("a"), dir.file("b")}, "pw\n", 1},      // 1 byte: not a coded file
        {{kCli, "--help"}, "", 0},
        {{kCli, "--version"}, "", 0},
        {{kCli, "--vers"}, "", 0},  // an unambiguous beginning
        {{kCli, "-V"}, "", 0},
    };
    for (const auto& c : cases) {
        const auto r = run_process(c.args, c.input);
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        EXPECT_EQ(r.status, c.status) << shown << "\n" << r.err;
        if (c.status == 3) {
            EXPECT_NE(r.err.find(dir.path().string()), std::string::npos) << r.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("b")));
    EXPECT_NE(run_process({kCli, "-V"}).out.find("\nLicense GPLv3+"), std::string::npos);
}

TEST(Cli, SameFileIsRefusedAndLeftAlone) {
    TempDir dir;
    write_file(dir.file("a"), "precious");
    const auto r = run_process({kCli, "code", "--yes", dir.file("a"), dir.file("a")}, "pw\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(dir.file("a")), "precious");
    EXPECT_NE(r.err.find("same file"), std::string::npos);
}

// Success is quiet, and the output goes beside the source by default.
TEST(Cli, WritesNothingButTheOutputsAskedFor) {
    TempDir dir;
    write_file(dir.file("a.txt"), "x");
    const auto r = run_process({kCli, "code", "a.txt"}, "pw\n", dir.path().string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_TRUE(std::filesystem::exists(dir.file("a_txt.cod")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("tarnvold_conf.cfg")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("lang")));
    EXPECT_EQ(tarnvold::testing::entry_count(dir.path()), 2u);
}
