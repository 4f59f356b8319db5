// SPDX-License-Identifier: GPL-3.0-or-later
// Failures at any file operation and sources that change while they are
// coded, on every system: nothing half-written left behind, the old
// destination kept, no handle leaked, and error texts that name the file.
#include "engine/engine.h"
#include "io/file_io.h"
#include "support/fault_plan.h"
#include "support/script_ui.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace tarnvold;
using namespace tarnvold::testing;
namespace fs = std::filesystem;

namespace {
// Over quota where the system has such an error.
#ifdef EDQUOT
constexpr int kOverQuota = EDQUOT;
#else
constexpr int kOverQuota = ENOSPC;
#endif
}  // namespace

TEST(Safety, AFailureMidwayLeavesNoOutputAndTheOldDestinationIntact) {
    TempDir dir;
    write_file(dir.file("dst"), "the previous version");
    const std::size_t entries = entry_count(dir.path()) + 1;
    const std::size_t descriptors = open_descriptor_count();

    // A small source is read once, a large one in blocks after the checksum.
    for (const std::size_t size : {std::size_t{300000}, std::size_t{3} << 20}) {
        const std::string contents(size, 's');
        write_file(dir.file("src"), contents);
        const int reads_before = size < (1u << 20) ? 0 : 1;
        for (const FaultPlan base : {FaultPlan{IoOp::Write, 0, ENOSPC}, FaultPlan{IoOp::Read, reads_before, EIO},
                                     FaultPlan{IoOp::Sync, 0, EIO}, FaultPlan{IoOp::Rename, 0, EACCES},
                                     FaultPlan{IoOp::CreateOutput, 0, kOverQuota}}) {
            for (bool coding : {true, false}) {
                FaultPlan plan = base;
                ScriptUi ui;
                ui.record_steps = false;
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
                EXPECT_TRUE(raised) << static_cast<int>(plan.op) << " coding=" << coding << " size " << size;
                EXPECT_EQ(read_file(dir.file("dst")), "the previous version");
                EXPECT_TRUE(read_file(dir.file("src")) == contents);
                EXPECT_EQ(entry_count(dir.path()), entries + (coding ? 0u : 1u)) << "a temporary file was left";
                EXPECT_EQ(open_descriptor_count(), descriptors);
                std::filesystem::remove(dir.file("src.cod"));
            }
        }
    }
}

TEST(Safety, ANewFileGivenByPathIsOnDiskBeforeItIsNamed) {
    TempDir dir;
    write_file(dir.file("src"), "contents");
    FaultPlan plan{IoOp::Sync, 0, EIO};
    FaultScope scope(plan);
    ScriptUi ui;
    Engine engine(ui);
    EXPECT_THROW(engine.codefile(dir.file("src"), dir.file("new.cod"), "pw"), IoError);
    EXPECT_EQ(entry_count(dir.path()), 1u);
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

namespace {

// Changes the source at the n-th read.
struct Change {
    std::string path;
    int at_read;
    std::function<void(const std::string&)> change;
    int reads = 0;
};

int change_source(IoOp op, const std::string& path, void* context) {
    auto* c = static_cast<Change*>(context);
    if (op == IoOp::Read && path == c->path && ++c->reads == c->at_read) c->change(path);
    return 0;
}

}  // namespace

TEST(Sources, ASourceThatChangesWhileItIsCodedGivesNoOutput) {
    TempDir dir;
    auto append = [](const std::string& p) { std::ofstream(p, std::ios::app) << "more"; };
    auto shrink = [](const std::string& p) { fs::resize_file(p, 100); };
    auto rewrite = [](const std::string& p) {
        std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(1000);
        f << "changed";
    };
    struct Case {
        std::size_t size;
        int at_read;
        std::function<void(const std::string&)> change;
    };
    // Small and large sources; the same size with other bytes can only be
    // told where the file is read more than once.
    for (const Case& c : {Case{5000, 1, append}, Case{5000, 1, shrink}, Case{3u << 20, 1, append},
                          Case{3u << 20, 1, shrink}, Case{3u << 20, 2, rewrite}}) {
        write_file(dir.file("src"), std::string(c.size, 'a'));
        write_file(dir.file("dst"), "older");
        const std::size_t entries = entry_count(dir.path());
        Change change{dir.file("src"), c.at_read, c.change};
        set_io_fault_hook(&change_source, &change);
        ScriptUi ui;
        ui.record_steps = false;
        ui.answers = {true};
        Engine engine(ui);
        try {
            engine.codefile(dir.file("src"), dir.file("dst"), "pw");
            ADD_FAILURE() << "no error, size " << c.size << " read " << c.at_read;
        } catch (const IoError& e) {
            EXPECT_EQ(e.kind(), IoKind::ChangedWhileCoding);
            EXPECT_EQ(std::string(e.what()),
                      dir.file("src") + ": The file changed while it was being coded, nothing was written.");
        }
        set_io_fault_hook(nullptr, nullptr);
        EXPECT_EQ(read_file(dir.file("dst")), "older");
        EXPECT_EQ(entry_count(dir.path()), entries);
    }
}
