// SPDX-License-Identifier: GPL-3.0-or-later
// The folder walk on real trees.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "batch/folder_walk.h"
#include "config/message_id.h"
#include "io/file_io.h"
#include "support/fault_plan.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {

struct Walk {
    ScriptUi ui;
    Engine engine{ui};
    FolderWalk walk{engine, ui};
    std::vector<std::string> sources;  // files handed over, in order
    std::vector<std::string> refused;  // what the walk refused itself
    Walk() {
        ui.record_steps = false;
        walk.on_file = [this](const std::string& s, const std::string&, Outcome o) {
            (o == Outcome::Refused ? refused : sources).push_back(s);
        };
    }
    bool logged(const std::string& line) const {
        return std::find(ui.lines.begin(), ui.lines.end(), line) != ui.lines.end();
    }
};

// The entries of a folder in the order the file system lists them.
std::vector<std::string> listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(std::u8string(dir.begin(), dir.end())))) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

}  // namespace

TEST(Names, CodedAndDecoded) {
    EXPECT_EQ(coded_name("report.txt"), "report_txt.cod");
    EXPECT_EQ(coded_name("archive.tar.gz"), "archive_tar_gz.cod");
    EXPECT_EQ(coded_name("README"), "README.cod");
}

// Only the "_" that coding a three-character extension put there becomes a
// dot again; no other name gets one it did not have.
TEST(Names, DecodedNamesInventNoDots) {
    const std::pair<const char*, const char*> table[] = {
        {"report_txt.cod", "report.txt"},  // three-character extensions
        {"a_b_c.cod", "a.b_c"},
        {"_txt.cod", ".txt"},
        {"REPORT_TXT.COD", "REPORT.TXT"},  // ".cod" in any case
        {"notes_md.Cod", "notes_md"},
        {"README.cod", "README"},  // no extension
        {"Makefile.cod", "Makefile"},
        {"a.cod", "a"},
        {"archive_tar_gz.cod", "archive_tar_gz"},  // longer or shorter extensions
        {"photo_jpeg.cod", "photo_jpeg"},
        {"Grüße überall_txt.cod", "Grüße überall.txt"},  // UTF-8 counts characters
        {"日本_txt.cod", "日本.txt"},
        {"Grüße.cod", "Grüße"},
        {"\xC3\xA9_\xE9\xE9\xE9.cod", "\xC3\xA9.\xE9\xE9\xE9"},  // not UTF-8: bytes
        {"ab", "ab.decoded"},                                    // not a coded name, or nothing before ".cod"
        {"abcdefg", "abcdefg.decoded"},
        {"report_txt.co", "report_txt.co.decoded"},
        {"", ".decoded"},
        {".cod", ".cod.decoded"},
        {"..cod", "..cod.decoded"},
        {"...cod", "...cod.decoded"},
    };
    for (const auto& [coded, decoded] : table) EXPECT_EQ(decoded_name(coded), decoded) << coded;
}

TEST(Walk, CodesATreeInListingOrderIntoTheSameShape) {
    TempDir dir;
    fs::create_directories(dir.file("src/old.data/empty"));
    for (const char* f : {"report.txt", "archive.tar.gz", "README", "old.data/a.b", "old.data/c"})
        write_file(dir.file("src/") + f, std::string(40, f[0]));
    fs::create_directory(dir.file("out"));
    const fs::path before = fs::current_path();
    Walk w;

    EXPECT_EQ(w.walk.folder_progress_start(dir.file("src") + "/"), 5);
    EXPECT_EQ(w.ui.lines,
              (std::vector<std::string>{"Scanning..." + dir.file("src") + "/", "Scanning..." + dir.file("src/old.data"),
                                        "Scanning..." + dir.file("src/old.data/empty")}));
    w.walk.codedirs(dir.file("src") + "/", dir.file("out") + "/", "pw");

    EXPECT_EQ(w.ui.count("setup:folder:0:5:1"), 1);
    EXPECT_EQ(w.ui.steps[ProgressBarId::Folder], 5);
    EXPECT_EQ(w.ui.lines[3], "Coding files in " + dir.file("src") + "/");
    for (const char* f : {"report_txt.cod", "archive_tar_gz.cod", "README.cod", "old.data/a_b.cod", "old.data/c.cod"})
        EXPECT_TRUE(file_exists(dir.file("out/") + f)) << f;
    EXPECT_TRUE(fs::is_empty(dir.file("out/old.data/empty")));
    // Joined as given here ("out/" + "/" + name); with one separator on Windows.
#ifdef _WIN32
    const std::string joined = dir.file("out/report_txt.cod");
#else
    const std::string joined = dir.file("out") + "//report_txt.cod";
#endif
    EXPECT_EQ(w.ui.count("log:" + dir.file("src/report.txt") + "-->" + joined), 1);
    EXPECT_EQ(fs::current_path(), before);

    // Entries are taken as listed, never sorted, each subtree finished first.
    std::vector<std::string> expected;
    for (const auto& n : listing(dir.file("src"))) {
        if (n == "old.data")
            for (const auto& m : listing(dir.file("src/old.data")))
                if (m != "empty") expected.push_back(dir.file("src/old.data/" + m));
        if (n != "old.data") expected.push_back(dir.file("src/" + n));
    }
    EXPECT_EQ(w.sources, expected);
}

TEST(Walk, DeclinedFileIsSkippedAloneAndExistingSubfolderIsReused) {
    TempDir dir;
    make_tree(dir.file("src"), {{"a.txt", "contents"}, {"b.txt", "contents"}, {"sub/c.txt", "contents"}});
    make_tree(dir.file("out"), {{"sub/"}, {"b_txt.cod", "keep me"}});
    Walk w;
    w.ui.answers = {false};
    w.walk.codedirs(dir.file("src"), dir.file("out"), "pw");
    EXPECT_EQ(w.ui.count("log:Coding aborted"), 1);
    EXPECT_EQ(read_file(dir.file("out/b_txt.cod")), "keep me");
    EXPECT_TRUE(file_exists(dir.file("out/a_txt.cod")));
    EXPECT_TRUE(file_exists(dir.file("out/sub/c_txt.cod")));
    EXPECT_EQ(w.ui.steps[ProgressBarId::Folder], 3);
}

TEST(Walk, ErrorsEndTheWalkNamingThePath) {
    TempDir dir;
    fs::create_directories(dir.file("src/sub"));
    fs::create_directory(dir.file("back"));
    // A file whose reading fails.
    write_file(dir.file("src/sub/short"), std::string(40, 's'));
    {
        FaultPlan plan{IoOp::Read, 0, EIO};
        FaultScope scope(plan);
        Walk w;
        try {
            w.walk.decodedirs(dir.file("src"), dir.file("back"), "pw");
            ADD_FAILURE() << "no error";
        } catch (const IoError& e) {
            EXPECT_EQ(e.path(), dir.file("src/sub/short"));
        }
    }

    // A file that cannot be opened is told in its turn, after its first line.
    fs::create_directory(dir.file("plain"));
    write_file(dir.file("plain/a.txt"), "abc");
    FaultPlan plan{IoOp::OpenRead, 0, EACCES};
    FaultScope scope(plan);
    Walk coding;
    try {
        coding.walk.codedirs(dir.file("plain"), dir.file("back"), "pw");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), EACCES);
        EXPECT_EQ(coding.ui.lines.back(), coding.ui.message(msg::kStartingCode) + dir.file("plain/a.txt"));
    }

    // The outputs are put on disk before the walk reports them done: a
    // failure there ends the run.  POSIX flushes the destination's file
    // system once at the end, so the error names the folder; Windows flushes
    // every file before it takes its name, so the error names the file,
    // which is then never put in place.
    FaultPlan sync{IoOp::Sync, 0, EIO};
    FaultScope sync_scope(sync);
    Walk flushed;
    try {
        flushed.walk.codedirs(dir.file("plain"), dir.file("back"), "pw");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
#ifdef _WIN32
        EXPECT_EQ(e.path(), dir.file("back/a_txt.cod"));
        EXPECT_FALSE(fs::exists(dir.file("back/a_txt.cod")));
#else
        EXPECT_EQ(e.path(), dir.file("back"));
        EXPECT_TRUE(fs::exists(dir.file("back/a_txt.cod")));
#endif
    }
}

TEST(Walk, LinkLoopsAndPipesNeitherHangNorMiscount) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a named pipe in a folder and folder links, which Windows (and wine) do not make this way";
#else
    TempDir dir;
    fs::create_directories(dir.file("src/sub"));
    write_file(dir.file("src/sub/f.txt"), "f");
    fs::create_directory_symlink(dir.file("src"), dir.file("src/sub/loop"));
    ASSERT_EQ(::mkfifo(dir.file("src/pipe").c_str(), 0600), 0);
    fs::create_directory(dir.file("out"));
    Walk w;
    EXPECT_EQ(w.walk.get_files_number(dir.file("src")), 1);
    w.walk.codedirs(dir.file("src"), dir.file("out"), "pw");
    EXPECT_EQ(w.sources, std::vector<std::string>{dir.file("src/sub/f.txt")});
#endif
}

TEST(Walk, RelativeSourceAndASourceThatCannotBeEntered) {
    TempDir dir;
    fs::create_directories(dir.file("src"));
    write_file(dir.file("src/f.txt"), "f");
    fs::create_directory(dir.file("out"));
    Walk w;
    {
        ScopedCwd cwd(dir.path());
        w.walk.codedirs("src", "out", "pw");
    }
    EXPECT_EQ(w.sources, std::vector<std::string>{dir.file("src/f.txt")});
    w.ui.lines.clear();
    EXPECT_EQ(w.walk.get_files_number(dir.file("missing")), 0);
    EXPECT_TRUE(w.ui.lines.empty());
    // The walk says why, and tells on_file.
    w.walk.codedirs(dir.file("missing"), dir.file("out"), "pw");
    EXPECT_EQ(w.ui.lines,
              std::vector<std::string>{"Cannot enter folder " + dir.file("missing") + ": No such file or directory"});
    EXPECT_EQ(w.refused, std::vector<std::string>{dir.file("missing")});
}

TEST(Walk, NeverWritesOutsideTheDestinationTree) {
#ifdef _WIN32
    GTEST_SKIP() << "needs folder links, which wine does not make";
#endif
    TempDir dir;
    for (const char* d : {"src/sub", "src/odd", "src/deep/er", "out/inner", "elsewhere"})
        fs::create_directories(dir.file(d));
    for (const char* f : {"a.txt", "sub/b.txt", "odd/c.txt", "deep/er/d.txt"}) write_file(dir.file("src/") + f, f);
    write_file(dir.file("src/b_txt.cod"), "keep me");
    // Destination subfolders that are a link into the source, a link to
    // elsewhere that does not exist yet... and a plain file.
    fs::create_directory_symlink(dir.file("src"), dir.file("out/sub"));
    fs::create_directory_symlink(dir.file("elsewhere/gone"), dir.file("out/deep"));
    write_file(dir.file("out/odd"), "a file where a folder would go");
    // Source links to the destination, into it, and up the tree.
    fs::create_directory_symlink(dir.file("out"), dir.file("src/to_out"));
    fs::create_directory_symlink(dir.file("out/inner"), dir.file("src/into_out"));
    fs::create_directory_symlink(dir.path(), dir.file("src/deep/er/up"));
    Walk w;
    w.walk.codedirs(dir.file("src"), dir.file("out"), "pw");

    std::sort(w.sources.begin(), w.sources.end());
    EXPECT_EQ(w.sources, (std::vector<std::string>{dir.file("src/a.txt"), dir.file("src/b_txt.cod")}));
    EXPECT_EQ(read_file(dir.file("src/b_txt.cod")), "keep me");
    EXPECT_FALSE(fs::exists(dir.file("elsewhere/gone")));
    EXPECT_EQ(read_file(dir.file("out/odd")), "a file where a folder would go");
    for (const char* d : {"out/to_out", "out/into_out", "out/inner/inner"}) EXPECT_FALSE(fs::exists(dir.file(d))) << d;
    std::sort(w.refused.begin(), w.refused.end());
    EXPECT_EQ(w.refused, (std::vector<std::string>{dir.file("src/deep"), dir.file("src/odd"), dir.file("src/sub")}));
    EXPECT_TRUE(w.logged("Passed by " + dir.file("src/sub") + ": its destination " + dir.file("out/sub") +
                         " is a symbolic link"));
    EXPECT_TRUE(
        w.logged("Passed by " + dir.file("src/odd") + ": its destination " + dir.file("out/odd") + " is not a folder"));
    for (const char* l : {"src/to_out", "src/into_out"})
        EXPECT_TRUE(w.logged("Passed by " + dir.file(l) + ": the link leads into the destination folder")) << l;

    // With the destination subfolders sound, the link up the tree is passed
    // by too.
    for (const char* d : {"out/sub", "out/deep", "out/odd"}) fs::remove(dir.file(d));
    Walk again;
    again.ui.answers = {true, true};  // the outputs of the first walk
    again.walk.codedirs(dir.file("src"), dir.file("out"), "pw");
    EXPECT_EQ(again.sources.size(), 5u);
    EXPECT_TRUE(again.refused.empty());
    EXPECT_TRUE(file_exists(dir.file("out/deep/er/d_txt.cod")));
    EXPECT_TRUE(
        again.logged("Passed by " + dir.file("src/deep/er/up") + ": the link leads back to a folder being walked"));
}

TEST(Walk, NoOutputOfTheRunIsReplacedByALaterFileOfTheRun) {
    TempDir dir;
    make_tree(dir.file("src"), {{"a.txt", "first"}, {"a_txt", "second"}, {"b.txt", "b"}});
    make_tree(dir.file("out"), {{"b_txt.cod", "from before the run"}});
    Walk w;
    w.ui.answers = {true};  // only the file from before the run is asked about
    w.walk.codedirs(dir.file("src"), dir.file("out"), "pw");
    EXPECT_TRUE(w.ui.answers.empty());
    EXPECT_NE(read_file(dir.file("out/b_txt.cod")), "from before the run");
    ASSERT_EQ(w.refused.size(), 1u);
    const std::string later = w.refused[0];
    const std::string earlier = dir.file(later == dir.file("src/a.txt") ? "src/a_txt" : "src/a.txt");
    EXPECT_TRUE(w.logged("Passed by " + later + ": its destination " + dir.file("out/a_txt.cod") +
                         " was already written in this run from " + earlier));
    EXPECT_EQ(w.ui.steps[ProgressBarId::Folder], 3);

    // The same in a folder the walk makes, where it does not look at names
    // it has not given: those it gave, to a file or a folder, it does.
    fs::create_directories(dir.file("src2/sub/c_txt.cod"));
    write_file(dir.file("src2/sub/a.txt"), "first");
    write_file(dir.file("src2/sub/a_txt"), "second");
    write_file(dir.file("src2/sub/c.txt"), "c");
    fs::create_directories(dir.file("out2"));
    Walk made;
    made.walk.codedirs(dir.file("src2"), dir.file("out2"), "pw");  // and no error ends it
    EXPECT_EQ(made.refused.size(), 2u);

    // The outputs it decodes back to are the earlier file's.
    fs::create_directories(dir.file("back"));
    Walk back;
    back.walk.decodedirs(dir.file("out"), dir.file("back"), "pw");
    EXPECT_EQ(read_file(dir.file("back/a.txt")), read_file(earlier));
}

TEST(Walk, LongNamesAreRefusedAloneAndAnExistingDestinationOfAnyLengthIsReplaced) {
    const std::string too_long(252, 'n');  // "...n.cod" would be 256 units
    const std::string longest(251, 'm');   // "...m.cod" is 255 units
#ifdef _WIN32
    const std::string unit = "UTF-16 units";
#else
    const std::string unit = "bytes";
#endif
    for (bool named : {false, true}) {
        TempDir dir;
        fs::create_directories(dir.file("src"));
        fs::create_directories(dir.file("out"));
        write_file(dir.file("src/") + too_long, "too long");
        write_file(dir.file("src/") + longest, "longest");
        write_file(dir.file("src/ok.txt"), "ok");
        write_file(dir.file("out/") + longest + ".cod", "old");
        // Without unnamed temporary files the hidden name must fit as well.
        set_io_fault_hook([](IoOp op, const std::string&,
                             void* n) { return op == IoOp::TmpFile && *static_cast<bool*>(n) ? EOPNOTSUPP : 0; },
                          &named);
        Walk w;
        w.ui.answers = {true};
        w.walk.codedirs(dir.file("src"), dir.file("out"), "pw");
        set_io_fault_hook(nullptr, nullptr);
        EXPECT_EQ(w.refused, std::vector<std::string>{dir.file("src/") + too_long}) << named;
        EXPECT_TRUE(w.logged("Passed by " + dir.file("src/") + too_long +
                             ": the name of its destination is longer than the 255 " + unit +
                             " the file system allows: " + dir.file("out/") + too_long + ".cod"));
        EXPECT_EQ(read_file(dir.file("out/") + longest + ".cod").size(), 7u + 38u) << named;
        EXPECT_TRUE(file_exists(dir.file("out/ok_txt.cod")));
        EXPECT_EQ(entry_count(dir.file("out")), 2u);
        EXPECT_EQ(w.ui.steps[ProgressBarId::Folder], 3);
    }
}

#ifdef _WIN32
TEST(Walk, NamesWindowsCannotHoldAreRefusedAloneByName) {
    TempDir dir;
    make_tree(dir.file("src"), {{"ok.txt", "ok"}});
    make_tree(dir.file("coded"), {});
    make_tree(dir.file("out"), {});
    Walk w;
    w.walk.codedirs(dir.file("src"), dir.file("coded"), "pw");
    // Coded files whose decoded names are a device and end in a blank or a
    // dot, as a tree coded elsewhere may hold; a folder named as a device.
    for (const char* name : {"con_txt.cod", "sp_ce .cod", "abc_de..cod", "com1_log.cod"})
        fs::copy_file(dir.file("coded/ok_txt.cod"), dir.file("coded/") + name);
    // Only a "\\?\" path reaches a folder of that name, also to remove it
    // (the plain path is the device, which the clean-up would not get past).
    struct DeviceFolder {
        fs::path path;
        ~DeviceFolder() {
            std::error_code ec;
            fs::remove(path, ec);
        }
    } device_folder{L"\\\\?\\" + fs::path(dir.file("coded")).wstring() + L"\\NUL"};
    fs::create_directory(device_folder.path);
    w.walk.decodedirs(dir.file("coded"), dir.file("out"), "pw");
    std::vector<std::string> expected{dir.file("coded/con_txt.cod"), dir.file("coded/sp_ce .cod"),
                                      dir.file("coded/abc_de..cod"), dir.file("coded/com1_log.cod"),
                                      dir.file("coded/NUL")};
    std::sort(expected.begin(), expected.end());
    std::sort(w.refused.begin(), w.refused.end());
    EXPECT_EQ(w.refused, expected);
    const std::string device = "The name is that of a device on Windows and cannot be given to a file: ";
    EXPECT_TRUE(w.logged(device + dir.file("out/con.txt")));
    EXPECT_TRUE(w.logged(device + dir.file("out/NUL")));
    EXPECT_EQ(read_file(dir.file("out/ok.txt")), "ok");
    EXPECT_EQ(entry_count(dir.file("out")), 1u);
}
#endif

TEST(Walk, FoldersOverlapByIdentityEitherWay) {
    TempDir dir;
    fs::create_directories(dir.file("a/b"));
    fs::create_directories(dir.file("ab"));
    constexpr auto inside = Overlap::DestinationInsideSource;
    constexpr auto around = Overlap::SourceInsideDestination;
    EXPECT_EQ(folders_overlap(dir.file("a"), dir.file("a") + "/"), inside);
    EXPECT_EQ(folders_overlap(dir.file("a") + "/", dir.file("a/b") + "//"), inside);
    EXPECT_EQ(folders_overlap(dir.file("a/b"), dir.file("a")), around);
#ifdef _WIN32
    // Names in either letter case and either separator are the same; wine
    // makes no folder links.
    EXPECT_EQ(folders_overlap(dir.file("A"), dir.file("a\\b")), inside);
    EXPECT_EQ(folders_overlap(dir.path().root_path().string(), dir.file("ab")), inside);
#else
    fs::create_directory_symlink(dir.file("a/b"), dir.file("link"));
    EXPECT_EQ(folders_overlap(dir.file("a"), dir.file("link")), inside);
    EXPECT_EQ(folders_overlap(dir.file("link"), dir.file("a")), around);
    EXPECT_EQ(folders_overlap("/", dir.file("ab")), inside);
    // The same folder under another path that no link explains.
    fs::create_directories(dir.file("bound"));
    if (std::system(("mount --bind '" + dir.file("a") + "' '" + dir.file("bound") + "' 2>/dev/null").c_str()) == 0) {
        EXPECT_EQ(folders_overlap(dir.file("bound/b"), dir.file("a")), around);
        EXPECT_EQ(folders_overlap(dir.file("a"), dir.file("bound/b")), inside);
        EXPECT_EQ(std::system(("umount '" + dir.file("bound") + "'").c_str()), 0);
    }
#endif
    EXPECT_EQ(folders_overlap(dir.file("a"), dir.file("ab")), Overlap::None);
    EXPECT_EQ(folders_overlap(dir.file("ab"), dir.file("a")), Overlap::None);
}
