// SPDX-License-Identifier: GPL-3.0-or-later
// What tarnvold-cli tells on standard error when a file is not done, and the
// test command's report: every refusal with its reason and its file.
#include "support/coded_files.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

const std::string kCli = TARNVOLD_CLI;
const std::string kMismatch = "CRC mistmatch. May be wrong password ???";

}  // namespace

TEST(CliRefusal, DeclinedQuestionsSayWhyWithQuietToo) {
    TempDir dir;
    write_file(dir.file("a"), "new");
    write_file(dir.file("b"), "old");
    for (const std::string quiet : {"", "-q"}) {
        std::vector<std::string> args = {kCli, "code", dir.file("a"), dir.file("b")};
        if (!quiet.empty()) args.insert(args.begin() + 2, quiet);
        const auto r = run_process(args, "pw\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "tarnvold-cli: " + dir.file("b") + ": exists; not replaced (use --yes to replace it)\n");
        EXPECT_EQ(read_file(dir.file("b")), "old");
    }

    // A coded file that says version 1.7 made it.
    make_coded(dir.file("c.cod"), "contents");
    std::string coded = read_file(dir.file("c.cod"));
    coded[9] = 1;
    coded[10] = 7;
    write_file(dir.file("c.cod"), coded);
    const auto newer = run_process({kCli, "decode", "-q", dir.file("c.cod"), dir.file("c")}, "right\n");
    EXPECT_EQ(newer.status, 1);
    EXPECT_EQ(newer.err,
              "tarnvold-cli: " + dir.file("c.cod") + ": made by version 1.7; not decoded (use --yes to decode it)\n");
    EXPECT_FALSE(fs::exists(dir.file("c")));
}

TEST(CliRefusal, NoticesNameTheirFile) {
    TempDir dir;
    make_coded(dir.file("a.cod"), std::string(500, 'a'));
    write_file(dir.file("plain"), std::string(100, 'p'));
    const auto wrong = run_process({kCli, "decode", "-q", dir.file("a.cod"), dir.file("a")}, "wrong\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "tarnvold-cli: " + dir.file("a.cod") + ": " + kMismatch + "\n");
    const auto plain = run_process({kCli, "decode", "-q", dir.file("plain"), dir.file("p")}, "right\n");
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.err, "tarnvold-cli: " + dir.file("plain") + ": This is not Tarnvold coded file\n");

    // A folder decoded with a wrong password: one line for each file, each
    // naming it; a plain file is passed by, and told with or without --quiet.
    fs::create_directories(dir.file("coded"));
    fs::create_directories(dir.file("out"));
    const std::vector<std::string> names = {"one_txt.cod", "two_txt.cod", "three_txt.cod"};
    for (const auto& name : names) make_coded(dir.file("coded/" + name), name);
    fs::copy_file(dir.file("plain"), dir.file("coded/plain"));
    const auto run = run_process({kCli, "decode-dir", "-q", dir.file("coded"), dir.file("out")}, "wrong\n");
    EXPECT_EQ(run.status, 1);
    const auto lines = lines_of(run.err);
    EXPECT_EQ(lines.size(), names.size() + 1) << run.err;
    for (const auto& name : names) EXPECT_TRUE(has(run.err, dir.file("coded/" + name) + ": " + kMismatch)) << name;
    EXPECT_TRUE(has(run.err, dir.file("coded/plain") + ": This is not Tarnvold coded file"));
    fs::create_directories(dir.file("out2"));
    const auto loud = run_process({kCli, "decode-dir", "-y", dir.file("coded"), dir.file("out2")}, "wrong\n");
    EXPECT_EQ(loud.err, run.err + "tarnvold-cli: 0 decoded, 1 refused, 3 failed\n");
}

TEST(CliRefusal, PasswordFileThatCannotBeReadGivesTheReasonAndTheName) {
    TempDir dir;
    write_file(dir.file("a"), "x");
    fs::create_directories(dir.file("folder"));
    const auto folder =
        run_process({kCli, "code", "--password-file", dir.file("folder"), dir.file("a"), dir.file("b")});
    EXPECT_EQ(folder.status, 3);
    EXPECT_EQ(folder.err, "tarnvold-cli: " + dir.file("folder") + ": Is a directory.\n");

    // Root reads every file: the unreadable case runs as an ordinary user.
    write_file(dir.file("pw"), "secret\n");
    fs::permissions(dir.file("pw"), fs::perms::none);
    fs::permissions(dir.path(), fs::perms::all);
    std::vector<std::string> args = {kCli, "code", "--password-file", dir.file("pw"), dir.file("a"), dir.file("b")};
    if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root and setpriv is unavailable";
        args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    const auto unreadable = run_process(args);
    EXPECT_EQ(unreadable.status, 3);
    EXPECT_EQ(unreadable.err, "tarnvold-cli: " + dir.file("pw") + ": Permission denied.\n");
    EXPECT_FALSE(fs::exists(dir.file("b")));
}

TEST(CliTestCommand, ChecksEveryFileAndExitsWithTheWorstStatus) {
    TempDir dir;
    make_coded(dir.file("good.cod"), std::string(3000, 'g'));
    make_coded(dir.file("other.cod"), std::string(20, 'o'));
    // Named as the words of its reason are, which must not hide the name.
    write_file(dir.file("coded"), std::string(100, 'p'));
    std::string damaged = read_file(dir.file("other.cod"));
    write_file(dir.file("damaged.cod"), damaged.substr(0, 35));  // header, no room for its seed
    const auto before = entry_count(dir.path());

    const auto all = run_process({kCli, "test", dir.file("good.cod"), dir.file("missing.cod"), dir.file("coded"),
                                  dir.file("damaged.cod"), dir.file("other.cod")},
                                 "right\n");
    EXPECT_EQ(all.status, 1);  // a missing file is refused, as cp does
    // A line on standard output for each match, one on standard error for
    // each fault.
    EXPECT_EQ(lines_of(all.out), (std::vector<std::string>{
                                     dir.file("good.cod") + ": Password matches the stored checksum",
                                     dir.file("other.cod") + ": Password matches the stored checksum",
                                 }));
    const auto err = lines_of(all.err);
    ASSERT_EQ(err.size(), 3u) << all.err;
    EXPECT_TRUE(err[0].starts_with("tarnvold-cli: " + dir.file("missing.cod") + ": No such file"));
    EXPECT_EQ(err[1], "tarnvold-cli: " + dir.file("coded") + ": This is not Tarnvold coded file");
    EXPECT_EQ(err[2], "tarnvold-cli: " + dir.file("damaged.cod") +
                          ": is a damaged coded file: it is too short for its own header");
    EXPECT_EQ(entry_count(dir.path()), before);

    const auto quiet = run_process({kCli, "test", "-q", dir.file("coded"), dir.file("good.cod")}, "right\n");
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, err[1] + "\n");

    const auto wrong = run_process({kCli, "test", "-q", dir.file("good.cod"), dir.file("other.cod")}, "wrong\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(lines_of(wrong.err).size(), 2u);
    EXPECT_TRUE(has(wrong.err, dir.file("other.cod") + ": " + kMismatch));
}
