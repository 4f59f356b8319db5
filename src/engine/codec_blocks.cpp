// SPDX-License-Identifier: GPL-3.0-or-later
// The codec's passes over a payload block by block, shared with the
// workers, and the checksum pass.
#include "engine/checksum.h"
#include "engine/codec_parts.h"
#include "engine/coded_format.h"

#include "io/file_io.h"
#include "io/work_pool.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <utility>
#include <vector>

namespace tarnvold {
namespace {

// Large payloads are shared with the workers in pieces of this size.
constexpr std::size_t kPiece = 512 * 1024;
static_assert(kPiece <= kScratchSize && kBlockSize % kPiece == 0);

// How a payload of `size` bytes is cut into blocks and pieces.  Inside a
// block the pieces end where the destination's offset is a multiple of
// kPiece: the page cache takes writes of whole, aligned pages at less cost.
// A destination that does not start there (after a header) gets one more,
// short, piece per block.
struct Pieces {
    Pieces(std::size_t payload, std::int64_t out_start)
        : size(payload),
          blocks((size + kBlockSize - 1) / kBlockSize),
          skew(static_cast<std::size_t>(out_start) % kPiece),
          per_block(kBlockSize / kPiece + (skew != 0 ? 1 : 0)) {}

    std::size_t block_end(std::size_t b) const { return std::min(size, (b + 1) * kBlockSize); }
    // Piece i's first payload byte and the one after its last.
    std::pair<std::size_t, std::size_t> piece(std::size_t i) const {
        const std::size_t b = i / per_block;
        const std::size_t j = i % per_block;
        const std::size_t from = j == 0 ? b * kBlockSize : b * kBlockSize + j * kPiece - skew;
        const std::size_t to = std::min(b * kBlockSize + (j + 1) * kPiece - skew, block_end(b));
        return {from, std::max(from, to)};
    }

    std::size_t size;
    std::size_t blocks;
    std::size_t skew;
    std::size_t per_block;
};

// The password streams of each form.
std::vector<PasswordStream> streams_of(const std::vector<PasswordForm>& forms) {
    std::vector<PasswordStream> streams;
    streams.reserve(forms.size());
    for (const PasswordForm& form : forms) streams.emplace_back(form.bytes);
    return streams;
}

}  // namespace

// Both key streams in one pass over bytes whose first one is at payload
// position before + 1 (the password stream's position `before`), adding up
// the bytes given or left on the way.
std::function<std::uint64_t(std::uint8_t*, std::size_t, std::int64_t, KeyedSum)> both_keys(
    std::int32_t seed, const PasswordStream& password_stream) {
    return [seed, &password_stream](std::uint8_t* p, std::size_t n, std::int64_t before, KeyedSum summed) {
        return level1_xor_with_sum(seed, static_cast<std::int32_t>(before + 1),
                                   password_stream.at(static_cast<std::uint64_t>(before)), p, n, summed);
    };
}

// The position key stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> position_keys(std::int32_t seed) {
    return [seed](std::uint8_t* p, std::size_t n, std::int64_t before) {
        level1_xor(seed, static_cast<std::int32_t>(before + 1), p, n);
    };
}

// The password stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> password_keys(const PasswordStream& password_stream) {
    return [&password_stream](std::uint8_t* p, std::size_t n, std::int64_t before) {
        RepeatingKey key = password_stream.at(static_cast<std::uint64_t>(before));
        xor_repeating(key, p, n);
    };
}

void Codec::BlockFree::operator()(std::uint8_t* p) const noexcept { std::free(p); }

// The 10 MiB block buffer.  Its pages cost nothing until they are used:
// large payloads go through the per-thread pieces instead.
std::uint8_t* Codec::block_buffer(InputFile& in) {
    if (!block_) {
        block_.reset(static_cast<std::uint8_t*>(std::malloc(kBlockSize)));
        if (!block_) throw IoError(in.path(), ENOMEM);
    }
    return block_.get();
}

std::uint8_t* Codec::small_buffer() {
    if (!small_) {
        small_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(kSmallFile) + kCodedOverhead + 1]);
        if (!small_) throw std::bad_alloc();
    }
    return small_.get();
}

void Codec::run_pass(std::uint8_t* buf, std::size_t count, Pass& pass, CodecProgress& progress) {
    // The bar advances whenever the counter reaches a multiple of its step;
    // the bytes between two such points are handled in one go.
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t to_next_step = pass.step - pass.counter % pass.step;
        const std::size_t chunk =
            static_cast<std::size_t>(std::min<std::int64_t>(to_next_step, static_cast<std::int64_t>(count - done)));
        pass.apply(buf + done, chunk, pass.counter);
        pass.counter += static_cast<std::int64_t>(chunk);
        done += chunk;
        if (pass.counter % pass.step == 0) progress.step(pass.stage);
    }
}

// Moves a pass's counter on to `target` with the bar steps on the way.
void Codec::advance(Pass& pass, std::int64_t target, CodecProgress& progress) {
    // One step for every multiple of the step passed on the way.
    const std::int64_t steps = target / pass.step - pass.counter / pass.step;
    pass.counter = target;
    progress.steps(pass.stage, steps);
}

// The block loop: read a block, run both passes over it, write it, until the
// payload is done (an empty payload goes round once, reading and writing
// nothing).
//
// With workers to share them, the blocks are handled in pieces: each piece is
// read, given both key streams in one go (`both`, which does what first's and
// second's streams do together) and written by one thread while it is still
// in that processor's cache.  What the user interface and the file checks see
// stays the plain loop's, block by block: the read (a failure in any piece is
// reported before the block shows any progress), first's bar steps, second's
// bar steps, the write (a failure is reported after them).
std::uint64_t Codec::run_blocks(const Blocks& run) {
    if (run.payload < static_cast<std::int64_t>(2 * kPiece) || WorkPool::shared().workers() == 0 ||
        !run.out.positioned())
        return run_blocks_plain(run);
    return run_blocks_shared(run);
}

std::uint64_t Codec::run_blocks_plain(const Blocks& run) {
    auto& [in, out, payload, first, second, both, sum_of, progress] = run;
    std::uint8_t* buffer = block_buffer(in);
    std::uint64_t sum = 0;
    std::int64_t remaining = payload;
    do {
        const std::int64_t block = std::min(remaining, static_cast<std::int64_t>(kBlockSize));
        // A file too short for its own header gives a negative length: the
        // read fails as a read past the end.
        if (block < 0) throw IoError(in.path(), IoKind::EndOfFile);
        const auto n = static_cast<std::size_t>(block);
        in.read_exact(buffer, n);
        if (sum_of == SumOf::Input) sum += tarnvold::checksum(buffer, n);
        run_pass(buffer, n, first, progress);
        run_pass(buffer, n, second, progress);
        if (sum_of == SumOf::Output) sum += tarnvold::checksum(buffer, n);
        out.write_all(buffer, n);
        remaining -= block;
    } while (remaining > 0);
    return sum;
}

std::uint64_t Codec::run_blocks_shared(const Blocks& run) {
    InputFile& in = run.in;
    OutputFile& out = run.out;
    const std::int64_t payload = run.payload;
    const std::int64_t base = run.first.counter;
    const KeyedSum summed = run.sum_of == SumOf::Input ? KeyedSum::Given : KeyedSum::Left;
    const std::int64_t in_start = in.position();
    const std::int64_t out_start = out.position();
    const Pieces layout(static_cast<std::size_t>(payload), out_start);
    const std::size_t per_block = layout.per_block;
    struct Piece {
        IoStatus read_error;
        int write_error = 0;
        std::uint64_t sum = 0;
    };
    std::vector<Piece> done(layout.blocks * per_block);
    std::uint64_t sum = 0;
    WorkPool::shared().run_blocks(
        done.size(), per_block, [&](std::size_t) { in.begin_read(); },
        [&](std::size_t i) {
            const auto [from, to] = layout.piece(i);
            if (from == to) return;
            Piece& result = done[i];
            std::uint8_t* piece = piece_scratch();
            if (piece == nullptr) {
                result.read_error = IoStatus::system(ENOMEM);
                return;
            }
            const std::size_t n = to - from;
            const auto at = static_cast<std::int64_t>(from);
            result.read_error = in.read_at(piece, n, in_start + at);
            if (result.read_error) return;
            result.sum = run.both(piece, n, base + at, summed);
            result.write_error = out.write_at(piece, n, out_start + at);
        },
        [&](std::size_t b) {
            const auto pieces = std::span(done).subspan(b * per_block, per_block);
            for (const Piece& p : pieces)
                if (p.read_error) throw IoError(in.path(), p.read_error);
            for (const Piece& p : pieces) sum += p.sum;
            const std::int64_t end = base + static_cast<std::int64_t>(layout.block_end(b));
            advance(run.first, end, run.progress);
            advance(run.second, end, run.progress);
            out.begin_write();
            for (const Piece& p : pieces)
                if (p.write_error != 0) throw IoError(out.path(), p.write_error);
        });
    in.seek(in_start + payload);
    out.seek(out_start + payload);
    return sum;
}

// The checksum pass over an open file, from where it stands.
std::int64_t Codec::checksum(InputFile& file, CodecProgress& progress) {
    const std::int64_t size = file.size();
    const std::int64_t step = step_for(size);
    progress.begins(Stage::Checksum, size);

    // The file is read in 10 MiB blocks, each in pieces shared with the
    // workers; the bar advances whenever the byte counter reaches a multiple
    // of its step, after the block that got there.
    const std::int64_t start = file.position();
    const auto bytes = static_cast<std::size_t>(size);
    const std::size_t pieces = (bytes + kScratchSize - 1) / kScratchSize;
    constexpr std::size_t per_block = kBlockSize / kScratchSize;
    struct Piece {
        IoStatus error;
        std::uint64_t sum = 0;
    };
    std::vector<Piece> done(pieces);
    std::uint64_t sum = 0;
    std::int64_t counter = 0;
    WorkPool::shared().run_blocks(
        pieces, per_block, [&](std::size_t) { file.begin_read(); },
        [&](std::size_t i) {
            unsigned char* scratch = piece_scratch();
            if (scratch == nullptr) {
                done[i].error = IoStatus::system(ENOMEM);
                return;
            }
            const std::size_t offset = i * kScratchSize;
            const std::size_t n = std::min(kScratchSize, bytes - offset);
            done[i].error = file.read_at(scratch, n, start + static_cast<std::int64_t>(offset));
            if (!done[i].error) done[i].sum = tarnvold::checksum(scratch, n);
        },
        [&](std::size_t b) {
            const std::size_t from = b * per_block;
            const std::size_t to = std::min(from + per_block, pieces);
            for (std::size_t i = from; i < to; ++i) {
                if (done[i].error) throw IoError(file.path(), done[i].error);
                sum += done[i].sum;
            }
            const auto reached = static_cast<std::int64_t>(std::min(bytes, to * kScratchSize));
            progress.steps(Stage::Checksum, reached / step - counter / step);
            counter = reached;
        });
    return static_cast<std::int64_t>(sum);
}

// The checksum pass of decoding before anything is written: the sums the
// payload of `payload` bytes at `start` (or at `whole`, when it is in
// memory) would have once decoded with each of the password's forms,
// told as the checksum stage.  The position key stream, the costly part, is
// made once for all of them.
std::vector<std::uint64_t> Codec::form_sums(InputFile& in, std::int64_t start, std::int64_t payload, std::int32_t seed,
                                            const std::uint8_t* whole, const std::vector<PasswordForm>& forms,
                                            CodecProgress& progress) {
    const std::int64_t step = step_for(payload);
    progress.begins(Stage::Checksum, payload);
    const std::vector<PasswordStream> streams = streams_of(forms);
    const auto bytes = static_cast<std::size_t>(payload);
    const std::size_t pieces = (bytes + kScratchSize - 1) / kScratchSize;
    constexpr std::size_t per_block = kBlockSize / kScratchSize;
    const std::size_t count = forms.size();
    std::vector<IoStatus> errors(pieces);
    std::vector<std::uint64_t> piece_sums(pieces * count, 0);  // piece i's in [i * count, (i + 1) * count)
    std::vector<std::uint64_t> sums(count, 0);
    std::int64_t counter = 0;
    WorkPool::shared().run_blocks(
        pieces, per_block,
        [&](std::size_t) {
            if (whole == nullptr) in.begin_read();
        },
        [&](std::size_t i) {
            unsigned char* scratch = piece_scratch();
            if (scratch == nullptr) {
                errors[i] = IoStatus::system(ENOMEM);
                return;
            }
            const std::size_t offset = i * kScratchSize;
            const std::size_t n = std::min(kScratchSize, bytes - offset);
            if (whole != nullptr)
                std::memcpy(scratch, whole + offset, n);
            else
                errors[i] = in.read_at(scratch, n, start + static_cast<std::int64_t>(offset));
            if (errors[i]) return;
            level1_xor(seed, static_cast<std::int32_t>(offset + 1), scratch, n);
            for (std::size_t f = 0; f < count; ++f)
                piece_sums[i * count + f] = xor_repeating_sum(streams[f].at(offset), scratch, n);
        },
        [&](std::size_t b) {
            const std::size_t from = b * per_block;
            const std::size_t to = std::min(from + per_block, pieces);
            for (std::size_t i = from; i < to; ++i) {
                if (errors[i]) throw IoError(in.path(), errors[i]);
                for (std::size_t f = 0; f < count; ++f) sums[f] += piece_sums[i * count + f];
            }
            const auto reached = static_cast<std::int64_t>(std::min(bytes, to * kScratchSize));
            progress.steps(Stage::Checksum, reached / step - counter / step);
            counter = reached;
        });
    return sums;
}

}  // namespace tarnvold
