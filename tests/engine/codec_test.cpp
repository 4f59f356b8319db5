// SPDX-License-Identifier: GPL-3.0-or-later
// The codec alone, between files its caller opened: no paths, no questions.
#include "engine/codec.h"

#include "engine/coded_format.h"
#include "io/file_io.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>

using namespace tarnvold;
using namespace tarnvold::testing;

namespace {

// Counts the steps of each stage; never ends a run.
struct Counted final : CodecProgress {
    void begins(Stage, std::int64_t) override {}
    void step(Stage stage) override { ++counted[stage]; }
    void steps(Stage stage, std::int64_t count) override { counted[stage] += count; }
    void pause() override {}
    std::map<Stage, std::int64_t> counted;
};

// Decodes `coded` into `plain_path` with `password`; returns whether the
// written bytes sum to the stored checksum.
bool decode_matches(Codec& codec, const std::string& coded, const std::string& plain_path, std::string_view password) {
    InputFile in(coded);
    std::uint8_t header_bytes[kHeaderSize];
    in.read_exact(header_bytes, sizeof header_bytes);
    const coded_header header = coded_header::from_bytes(header_bytes);
    OutputFile out(plain_path);
    Counted progress;
    const std::uint64_t sum = codec.decode(
        in, nullptr, in.size(), header.data_offset, password, [&]() -> OutputFile& { return out; }, progress);
    out.commit();
    return static_cast<std::int64_t>(sum) == header.crc;
}

}  // namespace

// Coding and decoding round trip, for a file held in memory and one coded in
// blocks; a wrong password decodes to bytes whose sum does not match.
TEST(Codec, RoundTripsAndTellsAWrongPasswordByItsChecksum) {
    TempDir dir;
    Codec codec;
    for (const std::size_t size : {std::size_t{1000}, std::size_t{3} << 20}) {
        std::mt19937 gen(static_cast<unsigned>(size));
        std::string original(size, '\0');
        for (char& c : original) c = static_cast<char>(gen() & 0xFF);
        write_file(dir.file("plain"), original);
        std::int64_t told = -1;
        Counted progress;
        {
            InputFile in(dir.file("plain"));
            OutputFile out(dir.file("coded"));
            const std::int64_t sum = codec.code(
                in, "secret",
                [&](std::int64_t checksum) {
                    told = checksum;
                    return Codec::Output{12345, &out};
                },
                progress);
            out.commit();
            EXPECT_EQ(sum, told);
        }
        for (const Stage stage : {Stage::Checksum, Stage::FirstPass, Stage::SecondPass})
            EXPECT_EQ(progress.counted[stage],
                      static_cast<std::int64_t>(size) / step_for(static_cast<std::int64_t>(size)));
        EXPECT_EQ(read_file(dir.file("coded")).size(), size + kCodedOverhead);
        EXPECT_TRUE(decode_matches(codec, dir.file("coded"), dir.file("back"), "secret"));
        EXPECT_EQ(read_file(dir.file("back")), original);
        EXPECT_FALSE(decode_matches(codec, dir.file("coded"), dir.file("wrong"), "Secret"));
        EXPECT_NE(read_file(dir.file("wrong")), original);
        for (const char* name : {"coded", "back", "wrong"}) std::filesystem::remove(dir.file(name));
    }
}
