// SPDX-License-Identifier: GPL-3.0-or-later
// tarnvold-cli with names and passwords beyond ASCII.
#include "io/utf8_text.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace tarnvold::testing;
namespace fs = std::filesystem;

TEST(CliText, Utf8NamesComeBackAndLogLinesKeepTheirCharacters) {
    TempDir dir;
    for (const char* d : {"src", "coded", "back"}) fs::create_directories(dir.file(d));
    // Long names put a two-byte character across the log's 128-byte cut in
    // one of the two, whatever the length of the temporary folder's path.
    std::string long_name;
    for (int i = 0; i < 60; ++i) long_name += "ü";
    const std::string names[] = {"Grüße überall.txt", "notiz.äöü", long_name + ".txt", "a" + long_name + ".txt"};
    for (const auto& name : names) write_file(dir.file("src/") + name, name);

    const auto code = run_process({TARNVOLD_CLI, "code-dir", "-v", dir.file("src"), dir.file("coded")}, "pw\n");
    ASSERT_EQ(code.status, 0) << code.err;
    EXPECT_TRUE(fs::exists(dir.file("coded/notiz_äöü.cod")));
    fs::copy_file(dir.file("coded/notiz_äöü.cod"), dir.file("coded/Grüße.cod"));
    const auto decode = run_process({TARNVOLD_CLI, "decode-dir", "-v", dir.file("coded"), dir.file("back")}, "pw\n");
    ASSERT_EQ(decode.status, 0) << decode.err;
    for (const auto& name : names) EXPECT_EQ(read_file(dir.file("back/") + name), name);
    EXPECT_EQ(read_file(dir.file("back/Grüße")), "notiz.äöü");
    EXPECT_TRUE(tarnvold::is_utf8(code.out));
    EXPECT_TRUE(tarnvold::is_utf8(decode.out));
}

// Names that would drive the terminal or split a line: quoted as a shell
// reads them back, on standard error and in the log lines alike.
TEST(CliText, NamesWithControlCharactersAreQuoted) {
    TempDir dir;
    for (const char* d : {"src", "out"}) fs::create_directories(dir.file(d));
    write_file(dir.file("src/a\nb"), std::string(40, 'p'));
    write_file(dir.file("src/e\033[1m"), std::string(40, 'p'));
    write_file(dir.file("src/x\xE9'y"), std::string(40, 'p'));  // not UTF-8, and a quote
    const auto r = run_process({TARNVOLD_CLI, "decode-dir", "-v", dir.file("src"), dir.file("out")}, "pw\n");
    EXPECT_EQ(r.status, 1);
    auto lines = lines_of(r.err);
    std::sort(lines.begin(), lines.end());
    const std::string src = dir.file("src/");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "tarnvold-cli: '" + src + "a'$'\\n''b': This is not Tarnvold coded file",
                         "tarnvold-cli: '" + src + "e'$'\\033''[1m': This is not Tarnvold coded file",
                         "tarnvold-cli: '" + src + "x'$'\\351'\\''y': This is not Tarnvold coded file",
                         "tarnvold-cli: 0 decoded, 3 refused, 0 failed",
                     }));
    EXPECT_EQ(r.out.find('\033'), std::string::npos);
    EXPECT_NE(r.out.find("'" + src + "a'$'\\n''b'"), std::string::npos) << r.out;
}

TEST(CliText, PasswordsCountCharactersAndCodeWithTheBytesGiven) {
    TempDir dir;
    write_file(dir.file("a"), "contents");
    // One character of two bytes is too short.
    EXPECT_EQ(run_process({TARNVOLD_CLI, "code", dir.file("a"), dir.file("b")}, "é\n").status, 2);
    EXPECT_FALSE(fs::exists(dir.file("b")));
    // "été" in Windows-1252 is three bytes that are not UTF-8; they are the
    // password exactly, not the UTF-8 "été".
    write_file(dir.file("pw"), "\xE9t\xE9\r\n");
    write_file(dir.file("short"), "\xE9\n");
    EXPECT_EQ(
        run_process({TARNVOLD_CLI, "code", "--password-file", dir.file("short"), dir.file("a"), dir.file("b")}).status,
        2);
    ASSERT_EQ(
        run_process({TARNVOLD_CLI, "code", "--password-file", dir.file("pw"), dir.file("a"), dir.file("b")}).status, 0);
    EXPECT_EQ(run_process({TARNVOLD_CLI, "test", "--password-file", dir.file("pw"), dir.file("b")}).status, 0);
    // The UTF-8 "été" finds them among its other forms, unless told its one.
    const auto found = run_process({TARNVOLD_CLI, "test", dir.file("b")}, "été\n");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, dir.file("b") + ": Password matches the stored checksum, taken as Windows-1252\n");
    EXPECT_EQ(run_process({TARNVOLD_CLI, "test", "--password-encoding", "utf-8", dir.file("b")}, "été\n").status, 1);

    // --password-encoding codes the UTF-8 letters as those bytes, and
    // refuses a letter the code page lacks, naming it.
    write_file(dir.file("utf8"), "été\n");
    ASSERT_EQ(run_process({TARNVOLD_CLI, "code", "--password-encoding=windows-1252", "--password-file",
                           dir.file("utf8"), dir.file("a"), dir.file("c")})
                  .status,
              0);
    EXPECT_TRUE(read_file(dir.file("c")) == read_file(dir.file("b")));
    const auto refused = run_process(
        {TARNVOLD_CLI, "code", "--password-encoding", "windows-1251", dir.file("a"), dir.file("d")}, "été\n");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("\"é\" (U+00E9) cannot be written in Windows-1251"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir.file("d")));
}
