// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding a whole coded file made of arbitrary bytes.
//
// Whatever the bytes, decoding ends normally or with an IoError, never
// crashes, leaves the coded file alone, leaves no temporary file behind and
// only ever puts a complete output under the destination's name: an
// existing destination is replaced only by a normal end that produced
// output.  Checking the password without writing (test_file) reaches the
// same verdict as decoding.
//
// Byte 11 of a coded file is reserved and never read; here it steers the
// run: bits 0 and 1, inverted, answer the first two questions (0 = Yes),
// bit 2 turns batch mode on, bit 3 puts an older file under the
// destination's name first.
#include "fuzz_support.h"

#include "engine/coded_format.h"
#include "engine/engine.h"
#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tarnvold;
using tarnvold::fuzz::ScratchDir;

const char kPassword[] = "Tarnvold";
const std::vector<std::uint8_t> kPrevious = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', '\n'};

// What an operation came to: an outcome, or an input/output error.
struct Result {
    std::optional<Outcome> outcome;
    bool threw() const { return !outcome.has_value(); }
    std::string describe() const { return threw() ? "IoError" : std::to_string(static_cast<int>(*outcome)); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ScratchDir& dir = ScratchDir::get();
    dir.clear();
    const std::string source = dir.file("in.cod");
    const std::string destination = dir.file("out.bin");
    const std::vector<std::uint8_t> input(data, data + size);
    fuzz::write_file(source, data, size);

    const std::uint8_t control = size > 11 ? data[11] : 0;
    const unsigned answers = ~control & 3u;
    const bool batch = (control & 4u) != 0;
    const bool existing = (control & 8u) != 0;
    if (existing) fuzz::write_file(destination, kPrevious.data(), kPrevious.size());

    fuzz::QuietUi ui(answers);
    Engine engine(ui);
    engine.batch_mode = batch;
    Result decoded;
    try {
        decoded.outcome = engine.decodefile(source, destination, kPassword);
    } catch (const IoError&) {
    }

    // The coded file is only read.
    FUZZ_CHECK(fuzz::read_file(source) == input);
    // Nothing but the source and the destination is left in the folder.
    for (const auto& name : dir.names()) FUZZ_CHECK(name == "in.cod" || name == "out.bin", "left behind: " + name);

    // A mismatch replaces nothing: it leaves its output only where no file was.
    const bool wrote = decoded.outcome == Outcome::Done || (decoded.outcome == Outcome::ChecksumMismatch && !existing);
    if (!wrote) {
        // Refused, declined, not a coded file, a mismatch over an existing
        // file or a failure: the destination is as it was before.
        if (existing)
            FUZZ_CHECK(fuzz::read_file(destination) == kPrevious, decoded.describe());
        else
            FUZZ_CHECK(!fuzz::exists(destination), decoded.describe());
    } else {
        FUZZ_CHECK(size >= kHeaderSize);
        const coded_header header = coded_header::from_bytes(data);
        const std::vector<std::uint8_t> restored = fuzz::read_file(destination);
        FUZZ_CHECK(static_cast<std::int64_t>(restored.size()) ==
                   static_cast<std::int64_t>(size) - header.data_offset - 4);
        const bool sum_matches = fuzz::byte_sum_of(restored.data(), restored.size()) == header.crc;
        FUZZ_CHECK(sum_matches == (decoded.outcome == Outcome::Done));
        FUZZ_CHECK(!ui.lines.empty());
        if (sum_matches)
            FUZZ_CHECK(ui.lines.back() == source + "-->" + destination);
        else
            FUZZ_CHECK(ui.notices == 1);
    }
    if (decoded.outcome == Outcome::NotCoded) FUZZ_CHECK(ui.notices == (batch ? 0 : 1));
    FUZZ_CHECK(ui.questions <= 2);

    // The question about an existing destination comes before the source is
    // looked at; a No there ends everything.
    const bool declined_overwrite = existing && (answers & 1u) == 0;
    if (declined_overwrite) {
        FUZZ_CHECK(decoded.outcome == Outcome::Declined && ui.questions == 1);
        return 0;
    }
    const bool version_declined = decoded.outcome == Outcome::Declined;
    if (version_declined) {
        FUZZ_CHECK(size >= kHeaderSize && coded_header::from_bytes(data).newer_than_ours());
        return 0;
    }

    // Checking the password without writing anything agrees with decoding.
    Result tested;
    try {
        tested.outcome = engine.test_file(source, kPassword);
    } catch (const IoError&) {
    }
    FUZZ_CHECK(tested.outcome == decoded.outcome,
               "test_file " + tested.describe() + " vs decodefile " + decoded.describe());
    FUZZ_CHECK(fuzz::read_file(source) == input);
    return 0;
}
