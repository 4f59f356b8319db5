// SPDX-License-Identifier: GPL-3.0-or-later
// Runs of several files: SOURCE... FOLDER as cp takes them, one seed
// sequence for the whole run, and --keep-going past files that fail.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TARNVOLD_CLI;

std::string seed_of(const std::string& coded) { return coded.substr(coded.size() - 4); }

}  // namespace

TEST(CliSeveral, SourcesGoIntoTheFolderWithOneSeedSequence) {
    TempDir dir;
    fs::create_directories(dir.file("out"));
    fs::create_directories(dir.file("x"));
    write_file(dir.file("report.txt"), "report");
    write_file(dir.file("x/report.txt"), "other report");
    write_file(dir.file("notes"), "notes");
    const auto r = run_process(
        {kCli, "code", dir.file("report.txt"), dir.file("notes"), dir.file("x/report.txt"), dir.file("out")}, "pw\n");
    // The second report.txt would replace the first one's output: refused.
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(lines_of(r.err).size(), 2u) << r.err;
    EXPECT_TRUE(has(r.err, "tarnvold-cli: " + dir.file("x/report.txt") + ": ")) << r.err;
    EXPECT_TRUE(has(r.err, "tarnvold-cli: 2 coded, 1 refused, 0 failed\n")) << r.err;
    EXPECT_EQ(seed_of(read_file(dir.file("out/report_txt.cod"))), std::string(4, '\0'));
    EXPECT_EQ(seed_of(read_file(dir.file("out/notes.cod"))), std::string("\x00\x9a\xc6\x16", 4));
    EXPECT_EQ(entry_count(dir.file("out")), 2u);

    // Back, in one run; two operands whose last is a folder are a run too.
    fs::create_directories(dir.file("back"));
    const auto back = run_process(
        {kCli, "decode", "-q", dir.file("out/report_txt.cod"), dir.file("out/notes.cod"), dir.file("back")}, "pw\n");
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(read_file(dir.file("back/report.txt")), "report");
    const auto one = run_process({kCli, "decode", "-q", dir.file("out/notes.cod"), dir.file("x")}, "pw\n");
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(read_file(dir.file("x/notes")), "notes");  // the folder run's decoded name

    // As in a folder run: an existing output is asked about (No without a
    // terminal) and a link at an output's name is not followed.
    write_file(dir.file("elsewhere"), "left alone");
    fs::create_symlink(dir.file("elsewhere"), dir.file("back/report_txt.cod"));
    const auto again = run_process(
        {kCli, "code", "-q", "--", dir.file("report.txt"), dir.file("notes"), dir.file("back"), dir.file("out")},
        "pw\n");
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(has(again.err, dir.file("out/report_txt.cod") + ": exists; not replaced")) << again.err;
    EXPECT_TRUE(has(again.err, dir.file("back") + ": ")) << again.err;  // a folder is not a file to code
    // An output never replaces another source of the run; the folder of
    // the sources is a destination like any other.
    write_file(dir.file("x/notes.cod"), "a source");
    const auto into_sources = run_process(
        {kCli, "code", "-yq", dir.file("notes"), dir.file("x/notes.cod"), dir.file("x/report.txt"), dir.file("x")},
        "pw\n");
    EXPECT_EQ(into_sources.status, 1) << into_sources.err;
    EXPECT_TRUE(has(into_sources.err, dir.file("x/notes.cod") + " is " + dir.file("x/notes.cod") + ", a source"))
        << into_sources.err;
    EXPECT_EQ(read_file(dir.file("x/notes.cod")), "a source");
    EXPECT_TRUE(fs::exists(dir.file("x/notes_cod.cod")));
    EXPECT_TRUE(fs::exists(dir.file("x/report_txt.cod")));
    const auto linked = run_process({kCli, "code", "-yq", dir.file("report.txt"), dir.file("back")}, "pw\n");
    EXPECT_EQ(linked.status, 1) << linked.err;
    EXPECT_TRUE(has(linked.err, "is a symbolic link")) << linked.err << linked.out;
    EXPECT_EQ(read_file(dir.file("elsewhere")), "left alone");
}

TEST(CliVerify, AChecksumMismatchReplacesNothingInAnyKindOfRun) {
    TempDir dir;
    fs::create_directories(dir.file("coded"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("pw"), "pw\n");
    write_file(dir.file("bad"), "bad\n");
    write_file(dir.file("report.txt"), std::string(3000, 'r'));
    ASSERT_EQ(run_process({kCli, "code", "-q", "--password-file", dir.file("pw"), dir.file("report.txt"),
                           dir.file("coded/report_txt.cod")})
                  .status,
              0);
    write_file(dir.file("keep.txt"), "mine");
    write_file(dir.file("out/report.txt"), "mine");
    const std::string coded = dir.file("coded/report_txt.cod");
    const std::vector<std::string> bad = {kCli, "-yq", "--password-file", dir.file("bad")};
    auto run = [&](const std::string& command, std::vector<std::string> operands, const std::string& input = {}) {
        std::vector<std::string> args = bad;
        args.insert(args.begin() + 1, command);
        args.insert(args.end(), operands.begin(), operands.end());
        return run_process(args, input);
    };
    struct Case {
        ProcessResult result;
        std::string kept;
    };
    const Case cases[] = {
        {run("decode", {coded, dir.file("keep.txt")}), dir.file("keep.txt")},
        {run("decode", {"-", dir.file("keep.txt")}, read_file(coded)), dir.file("keep.txt")},
        {run("decode", {coded, dir.file("out")}), dir.file("out/report.txt")},
        {run("decode-dir", {dir.file("coded"), dir.file("out")}), dir.file("out/report.txt")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.status, 1) << c.result.err;
        EXPECT_TRUE(has(c.result.err, "tarnvold-cli: " + c.kept + ": kept; the decoded data did not match"))
            << c.result.err;
        EXPECT_EQ(read_file(c.kept), "mine");
    }
    EXPECT_EQ(entry_count(dir.file("out")), 1u);
}

// As cp does: a missing SOURCE is named once, the run goes on, status 1.
TEST(CliSeveral, AMissingSourceIsNamedAndTheRunGoesOn) {
    TempDir dir;
    fs::create_directories(dir.file("out"));
    write_file(dir.file("a"), "a");
    write_file(dir.file("b"), "b");
    const auto r =
        run_process({kCli, "code", dir.file("a"), dir.file("missing"), dir.file("b"), dir.file("out")}, "pw\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines_of(r.err),
              (std::vector<std::string>{"tarnvold-cli: " + dir.file("missing") + ": No such file or directory.",
                                        "tarnvold-cli: 2 coded, 1 refused, 0 failed"}));
    EXPECT_TRUE(fs::exists(dir.file("out/a.cod")));
    EXPECT_TRUE(fs::exists(dir.file("out/b.cod")));
}

// A folder run over a file this user cannot read and a destination
// subfolder it cannot make, as an ordinary user: --keep-going names each
// file not written and counts files; without it the run stops and says how
// far it got.
TEST(CliKeepGoing, AFolderRunPassesAnUnreadableFileAndAnUnmakeableFolder) {
    TempDir dir;
    fs::create_directories(dir.file("src/sub"));
    fs::create_directories(dir.file("src/deep/inner"));
    fs::create_directories(dir.file("out/deep"));
    for (const char* name : {"a", "b", "sub/c", "sub/d", "locked", "deep/inner/e", "deep/inner/f"})
        write_file(dir.file("src/") + name, name);
    std::vector<std::string> args;
    if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
        args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
    }
    fs::permissions(dir.file("src/locked"), fs::perms::none);
    fs::permissions(dir.file("out/deep"), fs::perms::owner_read | fs::perms::owner_exec);
    const auto run = [&](bool keep_going) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {kCli, "code-dir", dir.file("src"), dir.file("out")});
        if (keep_going) all.push_back("--keep-going");
        return run_process(all, "pw\n");
    };
    const auto r = run(true);
    EXPECT_EQ(r.status, 3) << r.err;
    auto lines = lines_of(r.err);
    std::sort(lines.begin(), lines.end());
    const std::string not_made = ": not written: " + dir.file("out/deep/inner") + ": Permission denied.";
    EXPECT_EQ(lines, (std::vector<std::string>{"tarnvold-cli: " + dir.file("src/deep/inner/e") + not_made,
                                               "tarnvold-cli: " + dir.file("src/deep/inner/f") + not_made,
                                               "tarnvold-cli: " + dir.file("src/locked") + ": Permission denied.",
                                               "tarnvold-cli: 4 coded, 0 refused, 3 failed"}));
    for (const char* name : {"a.cod", "b.cod", "sub/c.cod", "sub/d.cod"})
        EXPECT_TRUE(fs::exists(dir.file("out/") + name)) << name;
    EXPECT_FALSE(fs::exists(dir.file("out/locked.cod")));

    const auto stops = run(false);
    EXPECT_EQ(stops.status, 3);
    EXPECT_TRUE(has(stops.err, "tarnvold-cli: stopped by an input/output error; ")) << stops.err;
    EXPECT_TRUE(has(stops.err, " of 7 files done (0 coded, ")) << stops.err;  // the others declined
    fs::permissions(dir.file("out/deep"), fs::perms::owner_all);
}
