// SPDX-License-Identifier: GPL-3.0-or-later
// Coded files made by an independent implementation: the engine must
// reproduce every byte of them, and decode them back.
#include "engine/engine.h"
#include "engine/keystream_fast.h"
#include "support/coded_files.h"
#include "support/script_ui.h"
#include "support/shared_workers.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <string>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

std::string first_line(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

struct Vector {
    std::string original;
    std::string coded;
    int place;  // which file of the run it was: 1 for the first
    std::string password;
};

std::vector<Vector> vectors() {
    return {
        {"empty.bin", "empty.bin.cod", 1, "ab"},
        {"lorem.txt", "lorem.txt.cod", 1, "Tarnvold"},
        {"lorem.txt", "lorem.txt.seed3.cod", 3, "Secret pass"},
        {"random-5000.bin", "random-5000.bin.cod", 2, first_line(read_file(vector_file("pw-260.txt")))},
        {"random-3000.bin", "random-3000.bin.cod", 4, first_line(read_file(vector_file("pw-255.txt")))},
    };
}

}  // namespace

// The vectors are kept with the tests, in tests/data/vectors.
class Vectors : public ::testing::Test {};

TEST_F(Vectors, CodingReproducesEveryByte) {
    // With the processor's sine instruction and with every fast kernel.
    std::vector<std::pair<KeyBackend, FastKernel>> ways;
    if (x87_available()) ways.emplace_back(KeyBackend::X87, FastKernel::Portable);
    for (FastKernel k : {FastKernel::Portable, FastKernel::Avx2, FastKernel::Avx512})
        if (fast_kernel_available(k)) ways.emplace_back(KeyBackend::Fast, k);
    const FastKernel chosen = fast_kernel();
    // Alone, and with a side thread to make the keys of small files.
    for (const unsigned workers : {0u, 1u})
        for (const auto& [backend, kernel] : ways) {
            SharedWorkers pool(workers);
            set_key_backend(backend);
            set_fast_kernel(kernel);
            for (const auto& v : vectors()) {
                TempDir dir;
                ScriptUi ui;
                ui.record_steps = false;
                Engine engine(ui);
                for (int i = 1; i < v.place; ++i) engine.seeds().next_seed();
                ASSERT_EQ(engine.codefile(vector_file(v.original), dir.file("out.cod"), v.password), Outcome::Done);
                EXPECT_TRUE(read_file(dir.file("out.cod")) == read_file(vector_file(v.coded)))
                    << v.coded << " backend " << static_cast<int>(backend) << " kernel " << static_cast<int>(kernel)
                    << " workers " << workers;
                EXPECT_EQ(ui.lines.size(), 5u);
            }
        }
    set_key_backend(KeyBackend::Fast);
    set_fast_kernel(chosen);
}

TEST_F(Vectors, DecodingRestoresTheOriginals) {
    for (const auto& v : vectors()) {
        TempDir dir;
        ScriptUi ui;
        ui.record_steps = false;
        Engine engine(ui);
        ASSERT_EQ(engine.decodefile(vector_file(v.coded), dir.file("out"), v.password), Outcome::Done) << v.coded;
        EXPECT_TRUE(read_file(dir.file("out")) == read_file(vector_file(v.original))) << v.coded;
        EXPECT_EQ(ui.lines.size(), 6u);
    }
}

TEST_F(Vectors, PasswordTestNeedsTheRightPassword) {
    for (const auto& v : vectors()) {
        ScriptUi ui;
        Engine engine(ui);
        EXPECT_EQ(engine.test_file(vector_file(v.coded), v.password), Outcome::Done) << v.coded;
        // The checksum is a byte sum: a password off by one bit can restore
        // bytes whose changes cancel out, so take a wholly different one.
        const std::string wrong = "not the password";
        if (v.original != "empty.bin") {
            EXPECT_EQ(engine.test_file(vector_file(v.coded), wrong), Outcome::ChecksumMismatch) << v.coded;
        }
    }
}
