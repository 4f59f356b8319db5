// SPDX-License-Identifier: GPL-3.0-or-later
// The codec: coding and decoding between an input and an output its caller
// opened, with the seed, the password's bytes and a progress callback.  It
// knows no paths, asks nothing and shows nothing; Engine, the layer above,
// opens the files, asks the user and reports.
#pragma once

#include "engine/keystream.h"
#include "engine/password_forms.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace tarnvold {

class InputFile;
class OutputFile;

// Files below this size are read in one piece: one read gives the checksum
// and the bytes to code.  Larger ones are read twice, in blocks, and coded
// in pieces shared with the workers.
constexpr std::int64_t kSmallFile = 1 << 20;

// A stage's progress over `size` bytes comes in steps of this many bytes:
// some 150 steps, at least one byte each.
inline std::int64_t step_for(std::int64_t size) {
    const std::int64_t step = size / 150;
    return step == 0 ? 1 : step;
}

// The stages of a run, in the order coding goes through them.
enum class Stage { Checksum, FirstPass, SecondPass };

// What the codec tells its caller on the way.  Any of these may end the run
// by throwing; the codec leaves the output to its caller then.
class CodecProgress {
public:
    virtual ~CodecProgress() = default;
    // A stage over `bytes` bytes begins (the passes' are told by their steps alone).
    virtual void begins(Stage stage, std::int64_t bytes) = 0;
    // One more step of `stage`, where pending work may be let through.
    virtual void step(Stage stage) = 0;
    // `count` more steps of `stage` at once.
    virtual void steps(Stage stage, std::int64_t count) = 0;
    // A point between steps where pending work may be let through.
    virtual void pause() = 0;
};

class Codec {
public:
    Codec();
    ~Codec();
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;

    // The seed and the output the code call is given once the checksum is
    // known; the output is the caller's, opened then, and committed by it.
    struct Output {
        std::int32_t seed;
        OutputFile* out;
    };
    // Codes `in`, from its start, into a coded file: the checksum pass, then
    // `checksummed` (told the sum, giving the seed and the output), the
    // header, both passes and the seed.  Returns the checksum.  An input
    // that changes meanwhile throws IoKind::ChangedWhileCoding.
    std::int64_t code(InputFile& in, std::string_view password,
                      const std::function<Output(std::int64_t checksum)>& checksummed, CodecProgress& progress);
    // Decodes the payload of the coded file `in` of `size` bytes, which
    // begins at `data_offset`, into the output `open` gives once the seed is
    // read.  `whole` holds the file when read_whole read it.  Returns the sum
    // of the bytes written, to be checked against the stored checksum.
    std::uint64_t decode(InputFile& in, std::uint8_t* whole, std::int64_t size, std::int64_t data_offset,
                         std::string_view password, const std::function<OutputFile&()>& open, CodecProgress& progress);
    // A small file (up to kSmallFile bytes) read at once, into the codec's
    // buffer, for decode.
    std::uint8_t* read_whole(InputFile& in, std::size_t size);

    // The checksum pass over `in`, from where it stands.
    std::int64_t checksum(InputFile& in, CodecProgress& progress);
    // The sums the payload of `payload` bytes at `start` (or at `whole`, when
    // it is in memory) would have once decoded with each form, told as the
    // checksum stage.  Nothing is written.
    std::vector<std::uint64_t> form_sums(InputFile& in, std::int64_t start, std::int64_t payload, std::int32_t seed,
                                         const std::uint8_t* whole, const std::vector<PasswordForm>& forms,
                                         CodecProgress& progress);

    // The keys of a small input begun ahead, on the side thread, while the
    // caller still opens files: `seed` is the one it expects to give.  The
    // next code or decode call uses them when the seed, length and password
    // hold; drop_keys forgets them.
    void begin_keys(std::int32_t seed, std::string_view password, std::size_t count);
    void drop_keys();

private:
    struct Pass;
    class Keys;
    void run_pass(std::uint8_t* buf, std::size_t count, Pass& pass, CodecProgress& progress);
    static void advance(Pass& pass, std::int64_t counter, CodecProgress& progress);
    // Both key streams over bytes whose first one is at payload position
    // `before` + 1; returns the sum of the bytes given or left, as asked.
    using BothKeys = std::function<std::uint64_t(std::uint8_t*, std::size_t, std::int64_t before, KeyedSum)>;
    // The checksum run_blocks keeps on the way: of what it reads (the
    // original, when coding) or of what it writes (when decoding).
    enum class SumOf { Input, Output };
    struct Blocks {
        InputFile& in;
        OutputFile& out;
        std::int64_t payload;
        Pass& first;
        Pass& second;
        const BothKeys& both;
        SumOf sum_of;
        CodecProgress& progress;
    };
    std::uint64_t run_blocks(const Blocks& run);
    std::uint64_t run_blocks_plain(const Blocks& run);
    static std::uint64_t run_blocks_shared(const Blocks& run);
    std::int64_t code_whole(InputFile& in, std::string_view password,
                            const std::function<Output(std::int64_t)>& checksummed, CodecProgress& progress);
    std::int64_t code_in_blocks(InputFile& in, std::string_view password,
                                const std::function<Output(std::int64_t)>& checksummed, CodecProgress& progress);
    void in_memory(std::uint8_t* bytes, std::size_t count, std::int64_t size, CodecProgress& progress);
    std::uint8_t* small_buffer();
    std::uint8_t* block_buffer(InputFile& in);

    // The 10 MiB block, kept from one file to the next once a file needed it.
    struct BlockFree {
        void operator()(std::uint8_t* p) const noexcept;
    };
    std::unique_ptr<std::uint8_t[], BlockFree> block_;
    // A whole small file with its header and seed, kept from one file to the next.
    std::unique_ptr<std::uint8_t[]> small_;
    // The key bytes of a whole small file, made beside the file's reading.
    std::shared_ptr<std::uint8_t[]> key_bytes_;
    std::unique_ptr<Keys> keys_;
};

}  // namespace tarnvold
