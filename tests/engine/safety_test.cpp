// Coding must never cost anyone a byte: no source destroyed, no existing
// destination lost, nothing half-written left behind, no handle leaked.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine.h"
#include "file_io.h"
#include "script_ui.h"
#include "temp_dir.h"

using namespace tarnvold;
using tarnvold::testing::entry_count;
using tarnvold::testing::open_descriptor_count;
using tarnvold::testing::read_file;
using tarnvold::testing::ScriptUi;
using tarnvold::testing::TempDir;
using tarnvold::testing::write_file;
namespace fs = std::filesystem;

namespace {

// Fails the n-th operation of one kind with a given error number.
struct FaultPlan {
    IoOp op;
    int after;  // let this many pass first
    int error;
    int seen = 0;
};

int inject(IoOp op, const std::string&, void* context) {
    auto* plan = static_cast<FaultPlan*>(context);
    if (op != plan->op) return 0;
    return plan->seen++ == plan->after ? plan->error : 0;
}

class FaultScope {
public:
    explicit FaultScope(FaultPlan& plan) { set_io_fault_hook(&inject, &plan); }
    ~FaultScope() { set_io_fault_hook(nullptr, nullptr); }
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

}  // namespace

TEST(Safety, SourceAndDestinationNamingTheSameFileAreRefused) {
    TempDir dir;
    const std::string contents = "precious data";
    write_file(dir.file("src"), contents);
    fs::create_symlink(dir.file("src"), dir.file("link"));
    fs::create_hard_link(dir.file("src"), dir.file("hard"));
    for (const std::string& other : {dir.file("src"), dir.file("link"), dir.file("hard"), dir.path().string() + "/./src"}) {
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.codefile(dir.file("src"), other, "pw"), Outcome::Refused) << other;
        EXPECT_EQ(engine.decodefile(dir.file("src"), other, "pw"), Outcome::Refused) << other;
        EXPECT_EQ(read_file(dir.file("src")), contents);
        EXPECT_TRUE(ui.with_prefix("ask:").empty());
        EXPECT_EQ(ui.with_prefix("notice:Source and destination are the same file").size(), 2u);
        EXPECT_EQ(ui.count("log:Coding aborted"), 1);
        EXPECT_EQ(ui.count("log:Decoding aborted"), 1);
    }
}

TEST(Safety, FilesOfTwoGigabytesAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    {
        std::FILE* f = std::fopen(dir.file("huge").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(::ftruncate(fileno(f), 2147483648LL), 0);  // sparse: costs nothing
        std::fclose(f);
    }
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(dir.file("huge"), dir.file("huge.cod"), "pw"), Outcome::Refused);
    EXPECT_FALSE(fs::exists(dir.file("huge.cod")));
    EXPECT_EQ(ui.with_prefix("log:Files of 2 GiB").size(), 1u);

    // A coded file whose payload would be as large: header, then the size.
    std::string header = std::string("\x08Tarnvold\x01\x05", 11) + std::string(13, '\0') + std::string("\x22\x00", 2) +
                         std::string(6, '\0');
    write_file(dir.file("huge.cod"), header);
    ASSERT_EQ(::truncate(dir.file("huge.cod").c_str(), 2147483648LL + 38), 0);
    ScriptUi ui2;
    Engine engine2(ui2);
    EXPECT_EQ(engine2.decodefile(dir.file("huge.cod"), dir.file("out"), "pw"), Outcome::Refused);
    EXPECT_FALSE(fs::exists(dir.file("out")));
}

TEST(Safety, ReadOnlySourcesAreCodedAndKeepTheirRights) {
    TempDir dir;
    write_file(dir.file("ro"), "read only contents");
    ::chmod(dir.file("ro").c_str(), 0444);
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_EQ(engine.codefile(dir.file("ro"), dir.file("ro.cod"), "pw"), Outcome::Done);
    ::chmod(dir.file("ro.cod").c_str(), 0444);
    EXPECT_EQ(engine.decodefile(dir.file("ro.cod"), dir.file("back"), "pw"), Outcome::Done);
    EXPECT_EQ(read_file(dir.file("back")), "read only contents");
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("ro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(Safety, AFailureMidwayLeavesNoOutputAndTheOldDestinationIntact) {
    TempDir dir;
    write_file(dir.file("src"), std::string(300000, 's'));
    write_file(dir.file("dst"), "the previous version");
    const std::size_t entries = entry_count(dir.path());
    const std::size_t descriptors = open_descriptor_count();

    for (const FaultPlan base : {FaultPlan{IoOp::Write, 0, ENOSPC},
                                 FaultPlan{IoOp::Read, 1, EIO}, FaultPlan{IoOp::Sync, 0, EIO},
                                 FaultPlan{IoOp::Rename, 0, EACCES}, FaultPlan{IoOp::CreateOutput, 0, EDQUOT}}) {
        for (bool coding : {true, false}) {
            FaultPlan plan = base;
            ScriptUi ui;
            ui.answers = {true, true};
            Engine engine(ui);
            std::string source = dir.file("src");
            if (!coding) {
                set_io_fault_hook(nullptr, nullptr);
                ScriptUi quiet;
                Engine coder(quiet);
                coder.codefile(dir.file("src"), dir.file("src.cod"), "pw");
                source = dir.file("src.cod");
            }
            FaultScope scope(plan);
            bool raised = false;
            try {
                if (coding)
                    engine.codefile(source, dir.file("dst"), "pw");
                else
                    engine.decodefile(source, dir.file("dst"), "pw");
            } catch (const IoError& e) {
                raised = true;
                EXPECT_EQ(e.code(), plan.error);
                EXPECT_NE(std::string(e.what()).find(dir.path().string()), std::string::npos);
            }
            EXPECT_TRUE(raised) << static_cast<int>(plan.op) << " coding=" << coding;
            EXPECT_EQ(read_file(dir.file("dst")), "the previous version");
            EXPECT_EQ(read_file(dir.file("src")), std::string(300000, 's'));
            EXPECT_EQ(entry_count(dir.path()), entries + (coding ? 0u : 1u)) << "a temporary file was left";
            EXPECT_EQ(open_descriptor_count(), descriptors);
            std::filesystem::remove(dir.file("src.cod"));
        }
    }
}

TEST(Safety, ErrorTextsNameTheFileAndEndWithAFullStop) {
    TempDir dir;
    ScriptUi ui;
    Engine engine(ui);
    try {
        engine.codefile(dir.file("missing"), dir.file("out"), "pw");
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), ENOENT);
        EXPECT_EQ(std::string(e.what()), dir.file("missing") + ": No such file or directory.");
    }
    EXPECT_EQ(with_full_stop("Disk full"), "Disk full.");
    EXPECT_EQ(with_full_stop("Error 5"), "Error 5.");
    EXPECT_EQ(with_full_stop("Done."), "Done.");
    EXPECT_EQ(with_full_stop("What?"), "What?.");  // '?' comes after '.' too
    EXPECT_EQ(with_full_stop("(none)"), "(none)");
    EXPECT_FALSE(fs::exists(dir.file("out")));
}

TEST(Safety, ANamedPipeWithNoWriterDoesNotHang) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    ScriptUi ui;
    Engine engine(ui);
    // Opening must not wait forever for a writer; a pipe cannot be read as
    // a file, which ends in an error naming it, and nothing is written.
    try {
        engine.codefile(dir.file("pipe"), dir.file("pipe.cod"), "pw");
    } catch (const IoError& e) {
        EXPECT_EQ(e.path(), dir.file("pipe"));
    }
    EXPECT_FALSE(fs::exists(dir.file("pipe.cod")));
}
