// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli code-dir and decode-dir, run as a real process.
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

TEST(CliDir, TreeComesBackIdenticalThroughCodeDirAndDecodeDir) {
    TempDir dir;
    fs::create_directories(dir.file("src/deep/er"));
    fs::create_directories(dir.file("src/empty"));
    fs::create_directories(dir.file("coded"));
    fs::create_directories(dir.file("back"));
    const std::pair<const char*, std::string> files[] = {
        {"a.txt", std::string(70000, 'x')}, {"deep/b.bin", "\x01\x02"}, {"deep/er/none.dat", ""}, {"README", "r"}};
    for (const auto& [name, bytes] : files) write_file(dir.file("src/") + name, bytes);

    const auto code = run_process({TARNVOLD_CLI, "code-dir", "-v", dir.file("src"), dir.file("coded") + "/"}, "pw\n");
    ASSERT_EQ(code.status, 0) << code.err;
    const auto lines = lines_of(code.out);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], "Start coding for files : 4");  // after the four "Scanning..." lines
    EXPECT_EQ(lines[5], "Files will be stored in :");
    EXPECT_EQ(lines[6], dir.file("coded") + "/");

    const auto decode = run_process({TARNVOLD_CLI, "decode-dir", dir.file("coded"), dir.file("back")}, "pw\n");
    ASSERT_EQ(decode.status, 0) << decode.err;
    EXPECT_EQ(decode.out + decode.err, "");  // success is quiet
    for (const auto& [name, bytes] : files) EXPECT_TRUE(read_file(dir.file("back/") + name) == bytes) << name;
    EXPECT_TRUE(fs::is_empty(dir.file("back/empty")));
}

TEST(CliDir, ExitStatuses) {
    TempDir dir;
    fs::create_directories(dir.file("src/sub"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("src/plain.txt"), std::string(40, 'p'));
    auto run = [&](const char* command, const std::string& source, const std::string& destination) {
        return run_process({TARNVOLD_CLI, command, source, destination}, "pw\n");
    };
    // Not a coded file: one line on standard error, and the walk goes on to
    // its summary.
    const auto plain = run("decode-dir", dir.file("src"), dir.file("out"));
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.out, "");
    EXPECT_EQ(plain.err, "tarnvold-cli: " + dir.file("src/plain.txt") +
                             ": This is not Tarnvold coded file\ntarnvold-cli: 0 decoded, 1 refused, 0 failed\n");

    EXPECT_EQ(run("code-dir", dir.file("src"), dir.file("missing")).status, 2);
    EXPECT_EQ(run("code-dir", dir.file("src"), dir.file("src/sub") + "/").status, 2);
    EXPECT_TRUE(fs::is_empty(dir.file("src/sub")));

    write_file(dir.file("src/sub/short"), std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') +
                                              std::string("\x22\x00", 2) +
                                              std::string(10, '\0'));  // no room for the seed
    const auto failed = run("decode-dir", dir.file("src"), dir.file("out"));
    EXPECT_EQ(failed.status, 3);
    EXPECT_NE(failed.err.find(dir.file("src/sub/short")), std::string::npos);
}

// Run as an ordinary user, since root enters every folder.
TEST(CliDir, AFolderThatCannotBeEnteredIsNamedAndFailsTheRun) {
    TempDir dir;
    fs::create_directories(dir.file("src/locked"));
    fs::create_directories(dir.file("out"));
    write_file(dir.file("src/a.txt"), "a");
    write_file(dir.file("src/locked/f.txt"), "f");
    std::vector<std::string> args;
    if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv"))
            GTEST_SKIP() << "running as root without setpriv: cannot test as an ordinary user";
        args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
    }
    fs::permissions(dir.file("src/locked"), fs::perms::none);
    args.insert(args.end(), {TARNVOLD_CLI, "code-dir", dir.file("src"), dir.file("out")});
    const auto r = run_process(args, "pw\n");
    EXPECT_EQ(r.status, 1) << r.err;
    // The walk's own reason, the folder named once; the totals count files.
    EXPECT_EQ(r.err, "tarnvold-cli: " + dir.file("src/locked") +
                         ": cannot be entered: Permission denied\n"
                         "tarnvold-cli: 1 coded, 0 refused, 0 failed, 1 folder passed by\n");
    EXPECT_TRUE(fs::exists(dir.file("out/a_txt.cod")));
    EXPECT_FALSE(fs::exists(dir.file("out/locked")));
    fs::permissions(dir.file("src/locked"), fs::perms::owner_all);
}
