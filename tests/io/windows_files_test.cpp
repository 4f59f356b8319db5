// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows file layer under the engine: names beyond the ANSI code page
// and beyond MAX_PATH, contents kept byte for byte, files known by their
// identity, positioned transfers, sizes past 2 GiB, outputs that appear
// complete under their name or not at all, and folders held open.
#include "engine/engine.h"
#include "io/file_io.h"
#include "io/folder.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <winioctl.h>

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

// The engine takes UTF-8; path::string() would give the ANSI code page.
std::string utf8(const fs::path& p) {
    const std::u8string s = p.u8string();
    return {s.begin(), s.end()};
}

// The same file for the test's own reading and writing, whatever its length.
fs::path whole(const fs::path& p) { return fs::path(L"\\\\?\\" + fs::absolute(p).wstring()); }

std::string contents(const fs::path& p) {
    std::ifstream in(whole(p), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void put(const fs::path& p, const std::string& bytes) {
    std::ofstream out(whole(p), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << utf8(p);
}

// Line ends and the old end-of-file mark, which text mode would change.
const std::string kBinary = std::string("one\ntwo\r\nthree\x1a\r\r\n\n", 18) + std::string(5000, '\n');

constexpr const char* kChildFolder = "TARNVOLD_TEST_CHILD_FOLDER";

}  // namespace

TEST(WindowsFiles, NamesRoundTripWhateverTheirCharacters) {
    TempDir dir;
    const std::u8string long_name(251, u8'n');  // with ".txt", 255 characters: the path passes MAX_PATH
    for (const std::u8string& name : {std::u8string(u8"日本"), long_name}) {
        const fs::path source = dir.path() / fs::path(name + u8".txt");
        const fs::path coded = dir.path() / fs::path(name + u8".cod");
        const fs::path back = dir.path() / fs::path(name + u8".bak");
        put(source, kBinary);
        ScriptUi ui;
        Engine engine(ui);
        ASSERT_EQ(engine.codefile(utf8(source), utf8(coded), "pw"), Outcome::Done) << ui.calls.back();
        EXPECT_EQ(fs::file_size(whole(coded)), kBinary.size() + 38);
        ASSERT_EQ(engine.decodefile(utf8(coded), utf8(back), "pw"), Outcome::Done) << ui.calls.back();
        EXPECT_EQ(contents(back), kBinary);
        EXPECT_EQ(ui.count("log:Starting code for : " + utf8(source)), 1);
    }
    EXPECT_EQ(entry_count(dir.path()), 6u);
}

TEST(WindowsFiles, OneFileIsKnownUnderEverySpelling) {
    TempDir dir;
    put(dir.path() / "a.txt", "precious");
    put(dir.path() / "b.txt", "other");
    const std::string a = utf8(dir.path() / "a.txt");
    std::string slashed = a;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    ScopedCwd here(dir.path());
    for (const std::string& other : {slashed, std::string("A.TXT"), std::string(".\\a.txt")}) {
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(a, other, "pw"), Outcome::Refused) << other;
        EXPECT_TRUE(same_file(a, other)) << other;
    }
    EXPECT_EQ(contents(dir.path() / "a.txt"), "precious");
    // A different file is not the same, and it is replaced once asked.
    EXPECT_FALSE(same_file("a.txt", "b.txt"));
    EXPECT_NE(inspect_source("a.txt").id, inspect_source("b.txt").id);
    ScriptUi ui;
    ui.answers = {true};
    Engine engine(ui);
    EXPECT_EQ(engine.codefile("a.txt", "b.txt", "pw"), Outcome::Done);
    EXPECT_EQ(fs::file_size("b.txt"), 8u + 38u);
    EXPECT_EQ(entry_count(dir.path()), 2u);
}

TEST(WindowsFiles, TransfersAtAnOffsetLeaveThePositionAlone) {
    TempDir dir;
    put(dir.path() / "in", "0123456789abcdef");
    InputFile in(utf8(dir.path() / "in"));
    char buf[5] = {};
    in.read_exact(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(in.read_at(buf, 4, 12).kind, IoKind::None);
    EXPECT_EQ(std::string(buf, 4), "cdef");
    EXPECT_TRUE(in.has_byte_at(15));
    EXPECT_FALSE(in.has_byte_at(16));
    EXPECT_EQ(in.read_at(buf, 4, 14).kind, IoKind::EndOfFile);
    in.read_exact(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "4567");
    EXPECT_EQ(in.position(), 8);

    OutputFile out(utf8(dir.path() / "out"));
    out.write_all("ab", 2);
    EXPECT_EQ(out.write_at("zz", 2, 6), 0);
    out.write_all("cd", 2);
    out.commit();
    EXPECT_EQ(contents(dir.path() / "out"), std::string("abcd\0\0zz", 8));
}

TEST(WindowsFiles, FilesOfTwoGigabytesAndMoreAreRefused) {
    TempDir dir;
    const fs::path huge = dir.path() / "huge";
    {
        // Sparse where the file system can: 3 GiB that cost nothing.
        const HANDLE h = ::CreateFileW(huge.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD ignored = 0;
        ::DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER size{};
        size.QuadPart = 3LL << 30;
        EXPECT_TRUE(::SetFilePointerEx(h, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(h));
        ::CloseHandle(h);
    }
    EXPECT_EQ(inspect_source(utf8(huge)).size, 3LL << 30);
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(utf8(huge), utf8(dir.path() / "huge.cod"), "pw"), Outcome::Refused);
    EXPECT_EQ(ui.with_prefix("log:Files of 2 GiB").size(), 1u);
    EXPECT_EQ(entry_count(dir.path()), 1u);
}

TEST(WindowsFiles, ADestinationThatCannotBeReplacedIsLeftAsItWas) {
    TempDir dir;
    put(dir.path() / "src", "new contents");
    put(dir.path() / "read-only", "old");
    put(dir.path() / "held", "old");
    ASSERT_TRUE(::SetFileAttributesW((dir.path() / "read-only").c_str(), FILE_ATTRIBUTE_READONLY));
    // Another program holds this one without sharing it.
    const HANDLE holder = ::CreateFileW((dir.path() / "held").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    for (const char* name : {"read-only", "held"}) {
        ScriptUi ui;
        ui.answers = {true};
        Engine engine(ui);
        const std::string destination = utf8(dir.path() / name);
        EXPECT_EQ(engine.codefile(utf8(dir.path() / "src"), destination, "pw"), Outcome::Refused) << name;
        // The system's reason, whatever its words.
        const auto notices = ui.with_prefix("notice:Cannot replace " + destination + ": ");
        ASSERT_EQ(notices.size(), 1u) << name;
        EXPECT_GT(notices[0].size(), ("notice:Cannot replace " + destination + ": ").size() + 5) << notices[0];
    }
    ::CloseHandle(holder);
    ::SetFileAttributesW((dir.path() / "read-only").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(contents(dir.path() / "read-only"), "old");
    EXPECT_EQ(contents(dir.path() / "held"), "old");
    EXPECT_EQ(entry_count(dir.path()), 3u);
}

TEST(WindowsFiles, AFreeNameTakenMeanwhileIsNotReplaced) {
    TempDir dir;
    const fs::path destination = dir.path() / "out";
    {
        OutputFile out(utf8(destination));
        out.write_all("mine", 4);
        put(destination, "theirs");
        EXPECT_THROW(out.commit(), IoError);
    }
    EXPECT_EQ(contents(destination), "theirs");
    EXPECT_EQ(entry_count(dir.path()), 1u);
}

// The child's part of the next test: an output half written when the
// process ends without a chance to clean up.
TEST(WindowsFiles, AnUnfinishedOutputGoesWithTheProcess) {
    if (const char* folder = std::getenv(kChildFolder)) {
        OutputFile out(std::string(folder) + "\\out");
        const std::string block(1 << 20, 'x');
        out.write_all(block.data(), block.size());
        // The temporary file is there until the end.
        ::TerminateProcess(::GetCurrentProcess(), entry_count(fs::u8path(folder)) == 1 ? 3 : 4);
    }
    TempDir dir;
    ASSERT_TRUE(::SetEnvironmentVariableA(kChildFolder, utf8(dir.path()).c_str()));
    wchar_t self[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_brief=1 --gtest_filter=WindowsFiles.AnUnfinishedOutputGoesWithTheProcess";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started =
        ::CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    ::SetEnvironmentVariableA(kChildFolder, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(::WaitForSingleObject(child.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    ::GetExitCodeProcess(child.hProcess, &code);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(entry_count(dir.path()), 0u);
}

TEST(WindowsFolders, AHeldFolderIsListedAndCannotBeMoved) {
    TempDir dir;
    fs::create_directory(dir.path() / "in");
    put(dir.path() / "in" / "a.txt", "a");
    Folder root = Folder::open(utf8(dir.path()), Folder::Use::List);
    EXPECT_TRUE(root.make_child("out"));
    EXPECT_FALSE(root.make_child("out"));
    EXPECT_FALSE(root.make_child("in"));
    {
        Folder in = root.child("in", Folder::Use::List, false, "in");
        EXPECT_EQ(in.id(), root.inspect("in").id);
        EXPECT_EQ(root.inspect("in").kind, EntryKind::Folder);
        EXPECT_EQ(in.inspect("a.txt").kind, EntryKind::File);
        EXPECT_EQ(in.inspect("none").kind, EntryKind::Missing);
        std::string name;
        EntryKind kind = EntryKind::Missing;
        ASSERT_TRUE(in.next(name, kind));
        EXPECT_EQ(name, "a.txt");
        EXPECT_EQ(kind, EntryKind::File);
        EXPECT_FALSE(in.next(name, kind));
        // Nobody renames it while it is held, so its names stay its own.
        EXPECT_FALSE(::MoveFileW((dir.path() / "in").c_str(), (dir.path() / "moved").c_str()));
        InputFile a(in, "a.txt", false, "in/a.txt");
        EXPECT_EQ(a.size(), 1);
        EXPECT_THROW(root.child("in\\..", Folder::Use::List, false, "x"), IoError);
        EXPECT_THROW(in.child("a.txt", Folder::Use::List, false, "in/a.txt"), IoError);
    }
    EXPECT_TRUE(::MoveFileW((dir.path() / "in").c_str(), (dir.path() / "moved").c_str()));
}

TEST(WindowsFolders, OutputsInAHeldFolderReplaceOnlyWhatWasThere) {
    TempDir dir;
    put(dir.path() / "old", "old");
    const Folder folder = Folder::open(utf8(dir.path()), Folder::Use::Write);
    {
        const Destination old = inspect_destination(folder, "old", "old");
        ASSERT_TRUE(old.exists && old.regular && !old.link);
        OutputFile out(old);
        out.write_all("new", 3);
        out.commit();
        EXPECT_EQ(out.identity(), inspect_source(utf8(dir.path() / "old")).id);
    }
    {
        OutputFile out(free_destination(folder, "fresh", "fresh"));
        out.write_all("mine", 4);
        put(dir.path() / "fresh", "theirs");
        EXPECT_THROW(out.commit(), IoError);
    }
    EXPECT_EQ(contents(dir.path() / "old"), "new");
    EXPECT_EQ(contents(dir.path() / "fresh"), "theirs");
    EXPECT_EQ(entry_count(dir.path()), 2u);
}

TEST(WindowsFolders, LinksAreNotFollowedUnlessAsked) {
    TempDir dir;
    put(dir.path() / "file", "data");
    fs::create_directory(dir.path() / "sub");
    if (!::CreateSymbolicLinkW((dir.path() / "flink").c_str(), (dir.path() / "file").c_str(), 0) ||
        !::CreateSymbolicLinkW((dir.path() / "dlink").c_str(), (dir.path() / "sub").c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "no symbolic links here (error " << ::GetLastError() << ")";
    // Some emulations report success without making a link.
    const DWORD made = ::GetFileAttributesW((dir.path() / "flink").c_str());
    if (made == INVALID_FILE_ATTRIBUTES || (made & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        GTEST_SKIP() << "symbolic links are not made here";
    const Folder folder = Folder::open(utf8(dir.path()), Folder::Use::List);
    EXPECT_EQ(folder.inspect("flink").kind, EntryKind::Link);
    EXPECT_EQ(folder.inspect("flink", true).kind, EntryKind::File);
    EXPECT_EQ(folder.inspect("dlink").kind, EntryKind::Link);
    EXPECT_THROW(folder.child("dlink", Folder::Use::List, false, "dlink"), IoError);
    EXPECT_EQ(folder.child("dlink", Folder::Use::List, true, "dlink").id(), folder.inspect("sub").id);
    EXPECT_THROW(InputFile(folder, "flink", false, "flink"), IoError);
    EXPECT_EQ(InputFile(folder, "flink", true, "flink").size(), 4);
    const Destination link = inspect_destination(folder, "flink", "flink");
    EXPECT_TRUE(link.exists && link.link);
    EXPECT_THROW(OutputFile{link}, IoError);
    EXPECT_EQ(contents(dir.path() / "file"), "data");
}

TEST(WindowsFolders, OnlyTheTemporariesOfEndedProcessesAreRemoved) {
    // A process that has ended, and one that has not (held suspended).
    wchar_t self[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    PROCESS_INFORMATION ended{}, running{};
    for (PROCESS_INFORMATION* child : {&ended, &running}) {
        std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=None";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(::CreateProcessW(self, command.data(), nullptr, nullptr, FALSE,
                                     child == &running ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, child));
    }
    EXPECT_EQ(::WaitForSingleObject(ended.hProcess, 60000), WAIT_OBJECT_0);
    TempDir dir;
    const auto temporary = [](DWORD pid) {
        char name[40];
        std::snprintf(name, sizeof name, ".tvtmp-%010lu-%08x", static_cast<unsigned long>(pid), 7u);
        return std::string(name);
    };
    for (const DWORD pid : {ended.dwProcessId, running.dwProcessId, ::GetCurrentProcessId()})
        put(dir.path() / temporary(pid), "part");
    put(dir.path() / "plain", "keep");
    EXPECT_EQ(Folder::open(utf8(dir.path()), Folder::Use::List).remove_stale_temporaries(), 1u);
    EXPECT_FALSE(fs::exists(dir.path() / temporary(ended.dwProcessId)));
    EXPECT_EQ(entry_count(dir.path()), 3u);
    ::TerminateProcess(running.hProcess, 0);
    for (const HANDLE h : {ended.hThread, ended.hProcess, running.hThread, running.hProcess}) ::CloseHandle(h);
}
