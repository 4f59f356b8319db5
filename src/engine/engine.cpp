// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/engine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "engine/checksum.h"
#include "engine/coded_format.h"
#include "io/file_io.h"
#include "io/std_streams.h"
#include "config/message_id.h"
#include "io/work_pool.h"

namespace tarnvold {

std::string refusal_same_file(const std::string& path) {
    return "Source and destination are the same file, nothing was written: " + path;
}

std::string refusal_too_large(const std::string& path) {
    return "Files of 2 GiB (2147483648 bytes) or more cannot be coded: " + path;
}

std::string refusal_too_large_to_decode(const std::string& path) {
    return "Coded files whose contents would be 2 GiB (2147483648 bytes) or more cannot be decoded: " + path;
}

std::string refusal_not_regular(const std::string& path) { return path + " is not a regular file"; }

std::string destination_problem(const Destination& destination) {
    if (!destination.exists) return {};
    if (destination.link) return destination.path + " is a symbolic link, which a folder run does not follow";
    if (!destination.regular) return destination.shown() + " is not a regular file and cannot be replaced";
    if (destination.write_error != 0)
        return "Cannot replace " + destination.shown() + ": " +
               IoError(destination.target, destination.write_error).reason();
    return {};
}

namespace {

// Files below this size are read in one piece: one read gives the checksum
// and the bytes to code.  Larger ones are read twice, in blocks, and coded
// in pieces shared with the workers.
constexpr std::int64_t kSmallFile = 1 << 20;

// Large payloads are shared with the workers in pieces of this size.
constexpr std::size_t kPiece = 512 * 1024;
static_assert(kPiece <= kScratchSize && kBlockSize % kPiece == 0);

std::int64_t step_for(std::int64_t size) {
    const std::int64_t step = size / 150;
    return step == 0 ? 1 : step;
}

// The seed, stored in the last 4 bytes of a coded file of `size` bytes.
std::int32_t read_seed(InputFile& in, std::int64_t size) {
    in.seek(size - static_cast<std::int64_t>(kSeedSize));
    std::uint8_t bytes[kSeedSize];
    in.read_exact(bytes, sizeof bytes);
    return seed_from_stored(bytes);
}

// The header of a coded file of `size` bytes, taken from `whole` when the
// file is already in memory.  A file shorter than the header is not a coded
// file, like one without the signature.
coded_header read_header(InputFile& in, std::int64_t size, const std::uint8_t* whole) {
    coded_header header;
    header.signature_ok = false;
    if (size < static_cast<std::int64_t>(kHeaderSize)) return header;
    std::uint8_t bytes[kHeaderSize];
    if (whole != nullptr)
        std::memcpy(bytes, whole, kHeaderSize);
    else
        in.read_exact(bytes, sizeof bytes);
    return coded_header::from_bytes(bytes);
}

IoError changed_while_coding(const std::string& source) { return IoError(source, IoError::kChangedWhileCoding); }

bool same_inode(const SourceInfo& source, const Destination& destination) {
    // Standard output may be the source itself (>> source).
    const bool written_file = destination.exists || (destination.standard_output && destination.regular);
    return source.exists && written_file && source.id == destination.id;
}

// Both key streams in one pass over bytes whose first one is at payload
// position before + 1 (the password stream's position `before`), adding up
// the bytes given or left on the way.
std::function<std::uint64_t(std::uint8_t*, std::size_t, std::int64_t, KeyedSum)> both_keys(
    std::int32_t seed, const PasswordStream& level2) {
    return [seed, &level2](std::uint8_t* p, std::size_t n, std::int64_t before, KeyedSum summed) {
        return level1_xor_with_sum(seed, static_cast<std::int32_t>(before + 1),
                                   level2.at(static_cast<std::uint64_t>(before)), p, n, summed);
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
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> password_keys(const PasswordStream& level2) {
    return [&level2](std::uint8_t* p, std::size_t n, std::int64_t before) {
        RepeatingKey key = level2.at(static_cast<std::uint64_t>(before));
        xor_repeating(key, p, n);
    };
}

void end_display(UserInterface& ui) {
    ui.label_set_visible(LabelId::Checksum, false);
    ui.label_set_visible(LabelId::Pass1, false);
    ui.label_set_visible(LabelId::Pass2, false);
    ui.bar_set_position(ProgressBarId::Checksum, 0);
    ui.bar_set_position(ProgressBarId::Pass1, 0);
    ui.bar_set_position(ProgressBarId::Pass2, 0);
}

// Puts the per-file progress display back at rest when an operation is left
// by an error, so that nothing keeps showing a half-done state.
class ProgressRestore {
public:
    explicit ProgressRestore(UserInterface& ui) : ui_(ui), exceptions_(std::uncaught_exceptions()) {}
    ~ProgressRestore() {
        if (std::uncaught_exceptions() <= exceptions_) return;
        try {
            end_display(ui_);
        } catch (...) {
        }
    }
    ProgressRestore(const ProgressRestore&) = delete;
    ProgressRestore& operator=(const ProgressRestore&) = delete;

private:
    UserInterface& ui_;
    int exceptions_;
};

// to[i] ^= from[i] for i in [0, count), eight bytes at a time.
void xor_bytes(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, to + i, 8);
        std::memcpy(&b, from + i, 8);
        a ^= b;
        std::memcpy(to + i, &a, 8);
    }
    for (; i < count; ++i) to[i] ^= from[i];
}

}  // namespace

void Engine::BlockFree::operator()(std::uint8_t* p) const noexcept { std::free(p); }

// The 10 MiB block buffer.  Its pages cost nothing until they are used:
// large payloads go through the per-thread pieces instead.
std::uint8_t* Engine::block_buffer(const std::string& path) {
    if (!block_) {
        block_.reset(static_cast<std::uint8_t*>(std::malloc(kBlockSize)));
        if (!block_) throw IoError(path, ENOMEM);
    }
    return block_.get();
}

std::uint8_t* Engine::small_buffer() {
    if (!small_) {
        small_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(kSmallFile) + kCodedOverhead + 1]);
        if (!small_) throw std::bad_alloc();
    }
    return small_.get();
}

// Both key streams of a payload held in memory, from its first byte.  On a
// machine with more than one core they are made on the pool's side thread
// into a buffer of their own, beginning as soon as the seed and the length
// are known, while this thread reads and opens files; apply() then only
// combines them with the bytes.  Otherwise, and whenever the side thread
// does not get to them in time, apply() makes them in place.
class Engine::Keys {
public:
    Keys(std::int32_t seed, std::string_view password, std::size_t count, std::shared_ptr<std::uint8_t[]>& buffer)
        : seed_(seed), level2_(password), count_(count) {
        // Below a few hundred bytes handing them over costs more than it saves.
        constexpr std::size_t kWorthSharing = 512;
        if (count_ < kWorthSharing || key_backend() != KeyBackend::Fast) return;
        side_ = WorkPool::shared().side();
        if (side_ == nullptr) return;
        // The buffer of a task left to end unobserved is still that task's.
        if (!buffer || buffer.use_count() > 1)
            buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(kSmallFile)]);
        if (!buffer) return;
        job_ = std::make_shared<Job>(seed_, level2_, count_, buffer);
        if (!side_->try_start(job_)) side_ = nullptr;
    }
    ~Keys() {
        if (side_ != nullptr) side_->collect(std::chrono::nanoseconds(0));
    }
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;

    bool made_for(std::int32_t seed, std::size_t count) const { return seed == seed_ && count == count_; }

    // The seed turned out to be another one: the keys are made again.
    void use_seed(std::int32_t seed) {
        if (seed == seed_) return;
        seed_ = seed;
        if (side_ != nullptr) side_->collect(std::chrono::nanoseconds(0));
        side_ = nullptr;
    }

    void apply(std::uint8_t* bytes) {
        // Making the keys takes under a nanosecond a byte once begun: the
        // side thread is given a little more than that to end.  Longer
        // means it lost its core meanwhile, and this thread goes on alone.
        const auto patience = std::chrono::microseconds(4) + std::chrono::nanoseconds(2 * count_);
        if (side_ != nullptr && side_->collect(patience)) {
            side_ = nullptr;
            xor_bytes(bytes, job_->keys.get(), count_);
            return;
        }
        side_ = nullptr;
        level1_xor_with(seed_, 1, level2_.at(0), bytes, count_);
    }

private:
    struct Job : SideTask::Task {
        Job(std::int32_t s, const PasswordStream& p, std::size_t n, std::shared_ptr<std::uint8_t[]> k)
            : seed(s), level2(p), count(n), keys(std::move(k)) {}
        void run() noexcept override {
            std::memset(keys.get(), 0, count);
            level1_xor_with(seed, 1, level2.at(0), keys.get(), count);
        }
        std::int32_t seed;
        PasswordStream level2;
        std::size_t count;
        std::shared_ptr<std::uint8_t[]> keys;
    };

    std::int32_t seed_;
    PasswordStream level2_;
    std::size_t count_;
    SideTask* side_ = nullptr;
    std::shared_ptr<Job> job_;
};

// The keys of the next file to be coded: the seed it gets is known before
// it is taken.
void Engine::begin_coding_keys(std::optional<Keys>& keys, std::string_view password, std::size_t count) {
    SeedGenerator ahead = seeds_;
    keys.emplace(ahead.next_seed(), password, count, keys_);
}

// One pass over the payload: the key stream it applies, its bar and its
// counter, which runs on across blocks.
struct Engine::Pass {
    ProgressBarId bar;
    std::int64_t step;
    std::int64_t counter = 0;
    // Applies the pass's key stream to `count` bytes whose first byte is at
    // payload position counter + 1.
    std::function<void(std::uint8_t*, std::size_t, std::int64_t)> apply;
};

void Engine::run_pass(std::uint8_t* buf, std::size_t count, Pass& pass) {
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
        if (pass.counter % pass.step == 0) {
            ui_.bar_step(pass.bar);
            ui_.process_events();
        }
    }
}

// Moves a pass's counter on to `target` with the bar steps on the way.
void Engine::advance(Pass& pass, std::int64_t target) {
    // One bar step for every multiple of the step passed on the way.
    const std::int64_t steps = target / pass.step - pass.counter / pass.step;
    pass.counter = target;
    ui_.bar_steps(pass.bar, steps);
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
std::uint64_t Engine::run_blocks(InputFile& in, OutputFile& out, std::int64_t payload, Pass& first, Pass& second,
                                 const BothKeys& both, SumOf sum_of) {
    if (payload < static_cast<std::int64_t>(2 * kPiece) || WorkPool::shared().workers() == 0 || !out.positioned())
        return run_blocks_plain(in, out, payload, first, second, sum_of);
    return run_blocks_shared(in, out, payload, first, second, both, sum_of);
}

std::uint64_t Engine::run_blocks_plain(InputFile& in, OutputFile& out, std::int64_t payload, Pass& first, Pass& second,
                                       SumOf sum_of) {
    std::uint8_t* buffer = block_buffer(in.path());
    std::uint64_t sum = 0;
    std::int64_t remaining = payload;
    do {
        const std::int64_t block = std::min(remaining, static_cast<std::int64_t>(kBlockSize));
        // A file too short for its own header gives a negative length: the
        // read fails as a read past the end.
        if (block < 0) throw IoError(in.path(), IoError::kEndOfFile);
        const auto n = static_cast<std::size_t>(block);
        in.read_exact(buffer, n);
        if (sum_of == SumOf::Input) sum += byte_sum(buffer, n);
        run_pass(buffer, n, first);
        run_pass(buffer, n, second);
        if (sum_of == SumOf::Output) sum += byte_sum(buffer, n);
        out.write_all(buffer, n);
        remaining -= block;
    } while (remaining > 0);
    return sum;
}

std::uint64_t Engine::run_blocks_shared(InputFile& in, OutputFile& out, std::int64_t payload, Pass& first, Pass& second,
                                        const BothKeys& both, SumOf sum_of) {
    const std::int64_t in_start = in.position();
    const std::int64_t out_start = out.position();
    const std::int64_t base = first.counter;
    const auto size = static_cast<std::size_t>(payload);
    const std::size_t blocks = (size + kBlockSize - 1) / kBlockSize;
    // Inside a block the pieces end where the destination's offset is a
    // multiple of kPiece: the page cache takes writes of whole, aligned
    // pages at less cost.  A destination that does not start there (after a
    // header) gets one more, short, piece per block.
    const std::size_t skew = static_cast<std::size_t>(out_start) % kPiece;
    const std::size_t per_block = kBlockSize / kPiece + (skew != 0 ? 1 : 0);
    auto block_end = [&](std::size_t b) { return std::min(size, (b + 1) * kBlockSize); };
    // Piece i's first payload byte and the one after its last.
    auto piece_of = [&](std::size_t i) {
        const std::size_t b = i / per_block;
        const std::size_t j = i % per_block;
        const std::size_t from = j == 0 ? b * kBlockSize : b * kBlockSize + j * kPiece - skew;
        const std::size_t to = std::min(b * kBlockSize + (j + 1) * kPiece - skew, block_end(b));
        return std::pair{from, std::max(from, to)};
    };
    struct Piece {
        int read_error = 0;
        int write_error = 0;
        std::uint64_t sum = 0;
    };
    std::vector<Piece> done(blocks * per_block);
    std::uint64_t sum = 0;
    WorkPool::shared().run_blocks(
        done.size(), per_block, [&](std::size_t) { in.begin_read(); },
        [&](std::size_t i) {
            const auto [from, to] = piece_of(i);
            if (from == to) return;
            Piece& result = done[i];
            std::uint8_t* piece = piece_scratch();
            if (piece == nullptr) {
                result.read_error = ENOMEM;
                return;
            }
            const std::size_t n = to - from;
            const auto at = static_cast<std::int64_t>(from);
            result.read_error = in.read_at(piece, n, in_start + at);
            if (result.read_error != 0) return;
            result.sum = both(piece, n, base + at, sum_of == SumOf::Input ? KeyedSum::Given : KeyedSum::Left);
            result.write_error = out.write_at(piece, n, out_start + at);
        },
        [&](std::size_t b) {
            const auto pieces = std::span(done).subspan(b * per_block, per_block);
            for (const Piece& p : pieces)
                if (p.read_error != 0) throw IoError(in.path(), p.read_error);
            for (const Piece& p : pieces) sum += p.sum;
            const std::int64_t end = base + static_cast<std::int64_t>(block_end(b));
            advance(first, end);
            advance(second, end);
            out.begin_write();
            for (const Piece& p : pieces)
                if (p.write_error != 0) throw IoError(out.path(), p.write_error);
        });
    in.seek(in_start + payload);
    out.seek(out_start + payload);
    return sum;
}

// Both passes over bytes held in memory: both key streams in one go, then
// each bar advanced as the passes would have advanced it.  The bars' steps
// are those of a file of `size` bytes.
void Engine::in_memory(std::uint8_t* bytes, std::size_t count, Keys& keys, std::int64_t size) {
    keys.apply(bytes);
    Pass pass1{ProgressBarId::Pass1, step_for(size), 0, {}};
    Pass pass2{ProgressBarId::Pass2, step_for(size), 0, {}};
    advance(pass1, static_cast<std::int64_t>(count));
    advance(pass2, static_cast<std::int64_t>(count));
}

void Engine::refuse(const std::string& reason, int aborted_message) {
    ui_.log_line(reason);
    if (!batch_mode) ui_.notice(reason);
    ui_.log_line(ui_.message(aborted_message));
}

// What the checksum pass shows for a file whose sum is already known: the
// caption, ProgressBar1 with all its steps, the log line.
void Engine::show_checksum(std::int64_t size, std::int64_t sum) {
    ui_.label_set_caption(LabelId::Checksum, ui_.message(msg::kCrcCheck));
    const std::int64_t step = step_for(size);
    ui_.bar_set_position(ProgressBarId::Checksum, 0);
    ui_.bar_setup(ProgressBarId::Checksum, 0, size, step);
    ui_.bar_steps(ProgressBarId::Checksum, size / step);
    ui_.log_line(ui_.message(msg::kCrc), sum);
}

// The checksum pass over an open file, from where it stands: the caption,
// ProgressBar1, the bar steps and the log line with the sum.
std::int64_t Engine::checksum_of(InputFile& file) {
    ui_.label_set_caption(LabelId::Checksum, ui_.message(msg::kCrcCheck));
    const std::int64_t size = file.size();
    const std::int64_t step = step_for(size);
    ui_.bar_set_position(ProgressBarId::Checksum, 0);
    ui_.bar_setup(ProgressBarId::Checksum, 0, size, step);

    // The file is read in 10 MiB blocks, each in pieces shared with the
    // workers; the bar advances whenever the byte counter reaches a multiple
    // of its step, after the block that got there.
    const std::int64_t start = file.position();
    const auto bytes = static_cast<std::size_t>(size);
    const std::size_t pieces = (bytes + kScratchSize - 1) / kScratchSize;
    constexpr std::size_t per_block = kBlockSize / kScratchSize;
    struct Piece {
        int error = 0;
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
                done[i].error = ENOMEM;
                return;
            }
            const std::size_t offset = i * kScratchSize;
            const std::size_t n = std::min(kScratchSize, bytes - offset);
            done[i].error = file.read_at(scratch, n, start + static_cast<std::int64_t>(offset));
            if (done[i].error == 0) done[i].sum = byte_sum(scratch, n);
        },
        [&](std::size_t b) {
            const std::size_t from = b * per_block;
            const std::size_t to = std::min(from + per_block, pieces);
            for (std::size_t i = from; i < to; ++i) {
                if (done[i].error != 0) throw IoError(file.path(), done[i].error);
                sum += done[i].sum;
            }
            const auto reached = static_cast<std::int64_t>(std::min(bytes, to * kScratchSize));
            ui_.bar_steps(ProgressBarId::Checksum, reached / step - counter / step);
            counter = reached;
        });

    ui_.log_line(ui_.message(msg::kCrc), static_cast<std::int64_t>(sum));
    return static_cast<std::int64_t>(sum);
}

std::int64_t Engine::get_file_crc(const std::string& path) {
    ui_.log_line(ui_.message(msg::kCrcCheck), path);
    // Clearing the file's attributes has no meaning here: its rights are
    // never changed, and it is opened for reading only.
    InputFile file(path);
    const std::int64_t sum = checksum_of(file);
    file.close();
    return sum;
}

// The source of an operation: opened as soon as that is safe, and examined
// through its handle once it is open.  A failure to open it early is told
// where opening it is due, as if nothing had been tried before.
class Engine::Source {
public:
    Source(const std::string& path, SourceKind kind, const InFolder& in) : path_(path), in_(in) {
        if (kind != SourceKind::ListedFile && in_.folder == nullptr) return;
        try {
            emplace();
        } catch (const IoError&) {
            failure_ = std::current_exception();
        }
    }
    const std::string& path() const { return path_; }
    // The file when it is open already.
    const InputFile* opened() const { return file_ ? &*file_ : nullptr; }

    SourceInfo info() const {
        if (!file_) return inspect_source(path_);
        SourceInfo info;
        info.exists = info.regular = true;
        info.size = file_->size();
        info.id = file_->id();
        return info;
    }

    InputFile& open() {
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        if (!file_) emplace();
        return *file_;
    }

private:
    void emplace() {
        if (in_.folder != nullptr)
            file_.emplace(*in_.folder, in_.name, in_.follow_link, path_);
        else
            file_.emplace(path_);
    }

    const std::string& path_;
    const InFolder& in_;
    std::optional<InputFile> file_;
    std::exception_ptr failure_;
};

// The opening every operation on two files shares: the file's turn begins,
// whatever makes the request impossible is told before anything is asked or
// written, and an existing destination is replaced only when the user
// agrees.  Returns the outcome when the operation ends here.
std::optional<Outcome> Engine::open_request(Operation op, Source& source_file, const std::string& destination,
                                            DestinationKind where, const InFolder& in, Destination& to) {
    const std::string& source = source_file.path();
    const bool coding = op == Operation::Code;
    const int starting = coding ? msg::kStartingCode : msg::kStartingDecode;
    const int aborted = coding ? msg::kCodingAborted : msg::kDecodingAborted;
    last_output_.reset();
    if (in.folder != nullptr) {
        to = where == DestinationKind::FreeName ? free_destination(*in.folder, in.name, destination)
                                                : inspect_destination(*in.folder, in.name, destination);
    } else if (where == DestinationKind::StandardOutput) {
        to = standard_output_destination(destination);
    } else if (where == DestinationKind::FreeName) {
        to = Destination{};
        to.path = to.target = destination;
    } else {
        to = inspect_destination(destination);
    }
    if (to.exists && to.regular && keep_existing && keep_existing(to.id)) return Outcome::Refused;
    ui_.file_begins(source);
    if (coding) ui_.log_line(ui_.message(starting), source);
    const SourceInfo from = source_file.info();
    std::string problem;
    // Coding names a source that is not a regular file before a source that
    // is the destination; decoding the other way round.
    if (coding && from.exists && !from.regular)
        problem = refusal_not_regular(source);
    else if (same_inode(from, to))
        problem = refusal_same_file(destination);
    else if (from.exists && !from.regular)
        problem = refusal_not_regular(source);
    else if (coding && from.exists && from.size > kMaxOriginalSize)
        problem = refusal_too_large(source);
    else
        problem = destination_problem(to);
    if (!problem.empty()) {
        if (!coding) ui_.log_line(ui_.message(starting), source);
        refuse(problem, aborted);
        return Outcome::Refused;
    }
    if (to.exists && !ui_.ask_yes_no(ui_.message(msg::kFileExists))) {
        ui_.log_line(ui_.message(aborted));
        return Outcome::Declined;
    }
    if (!coding) ui_.log_line(ui_.message(starting), source);
    return std::nullopt;
}

// The captions and ranges of both passes' bars for a file of `size` bytes,
// and the labels shown.
void Engine::show_passes(std::int64_t size, int first_caption, int second_caption, bool with_checksum) {
    ui_.label_set_caption(LabelId::Pass1, ui_.message(first_caption));
    ui_.label_set_caption(LabelId::Pass2, ui_.message(second_caption));
    ui_.bar_setup(ProgressBarId::Pass1, 0, size, step_for(size));
    ui_.bar_setup(ProgressBarId::Pass2, 0, size, step_for(size));
    if (with_checksum) ui_.label_set_visible(LabelId::Checksum, true);
    ui_.label_set_visible(LabelId::Pass1, true);
    ui_.label_set_visible(LabelId::Pass2, true);
}

void Engine::finished(int message, const std::string& source, const std::string& destination) {
    ui_.log_line(ui_.message(message));
    ui_.log_line(source + "-->" + destination);
    end_display(ui_);
}

Outcome Engine::codefile(const std::string& source, const std::string& destination, std::string_view password,
                         SourceKind kind, DestinationKind where, const InFolder& in_folder,
                         const InFolder& out_folder) {
    Source from(source, kind, in_folder);
    // A small file open already: its keys are begun before anything else.
    std::optional<Keys> keys;
    if (const InputFile* f = from.opened(); f != nullptr && f->size() < kSmallFile)
        begin_coding_keys(keys, password, static_cast<std::size_t>(f->size()));
    Destination to;
    if (const auto outcome = open_request(Operation::Code, from, destination, where, out_folder, to)) return *outcome;

    ProgressRestore restore(ui_);
    // One handle for the checksum and the coding: both see the same file.
    InputFile& in = from.open();
    const std::int64_t size = in.size();
    if (size > kMaxOriginalSize) throw IoError(source, EFBIG);
    show_passes(size, msg::kLevel1Coding, msg::kLevel2Coding, true);
    // A source that shrinks, grows or changes while it is read ends the
    // operation with nothing written: its checksum would not match.
    try {
        ui_.log_line(ui_.message(msg::kCrcCheck), source);
        if (size < kSmallFile)
            code_whole(in, to, size, password, keys);
        else
            code_in_blocks(in, to, size, password);
    } catch (const IoError& error) {
        if (error.code() == IoError::kEndOfFile && error.path() == source) throw changed_while_coding(source);
        throw;
    }
    finished(msg::kCodingFinished, source, destination);
    return Outcome::Done;
}

// One read for the checksum and the coding: header, payload and seed are
// laid out in one buffer.  Asking for one byte more tells a file that grew
// since it was opened.
void Engine::code_whole(InputFile& in, const Destination& to, std::int64_t size, std::string_view password,
                        std::optional<Keys>& keys) {
    std::uint8_t* bytes = small_buffer();
    std::uint8_t* payload = bytes + kDataOffset;
    const auto n = static_cast<std::size_t>(size);
    // Its keys are made while the file is read.
    if (!keys) begin_coding_keys(keys, password, n);
    if (in.read_upto(payload, n + 1, n) != n) throw changed_while_coding(in.path());
    coded_header header;
    header.crc = static_cast<std::int64_t>(byte_sum(payload, n));
    show_checksum(size, header.crc);
    const std::int32_t seed = seeds_.next_seed();
    keys->use_seed(seed);

    OutputFile out(to);
    const auto header_bytes = header.to_bytes();
    std::memcpy(bytes, header_bytes.data(), header_bytes.size());
    std::memset(bytes + kHeaderSize, 0, kDataOffset - kHeaderSize);
    ui_.process_events();

    // The whole coded file goes out in one write once both passes are done.
    in_memory(payload, n, *keys, size);
    const auto seed_bytes = stored_seed(seed);
    std::memcpy(payload + n, seed_bytes.data(), seed_bytes.size());
    out.write_all(bytes, kDataOffset + n + seed_bytes.size());
    in.close();
    out.commit();
    last_output_ = out.identity();
}

// The checksum pass, then the header and both passes block by block.
void Engine::code_in_blocks(InputFile& in, const Destination& to, std::int64_t size, std::string_view password) {
    coded_header header;
    header.crc = checksum_of(in);
    const std::int32_t seed = seeds_.next_seed();

    OutputFile out(to);
    in.seek(0);
    const auto header_bytes = header.to_bytes();
    out.write_all(header_bytes.data(), header_bytes.size());
    const std::uint8_t gap[kDataOffset - kHeaderSize] = {};
    out.write_all(gap, sizeof gap);
    ui_.process_events();

    PasswordStream level2(password);
    Pass pass1{ProgressBarId::Pass1, step_for(size), 0, position_keys(seed)};
    Pass pass2{ProgressBarId::Pass2, step_for(size), 0, password_keys(level2)};
    const std::uint64_t sum = run_blocks(in, out, size, pass1, pass2, both_keys(seed, level2), SumOf::Input);
    if (static_cast<std::int64_t>(sum) != header.crc || in.has_byte_at(size)) throw changed_while_coding(in.path());

    const auto seed_bytes = stored_seed(seed);
    out.write_all(seed_bytes.data(), seed_bytes.size());
    in.close();
    out.commit();
    last_output_ = out.identity();
}

Outcome Engine::decodefile(const std::string& source, const std::string& destination, std::string_view password,
                           SourceKind kind, DestinationKind where, const InFolder& in_folder,
                           const InFolder& out_folder) {
    Source from(source, kind, in_folder);
    // A small file open already: the seed is in its last bytes, and the
    // keys of a payload where this program puts it are begun at once.  Its
    // header tells later whether that guess holds.
    std::optional<Keys> keys;
    if (const InputFile* f = from.opened();
        f != nullptr && f->size() <= kSmallFile && f->size() >= static_cast<std::int64_t>(kCodedOverhead)) {
        std::uint8_t stored[kSeedSize];
        if (f->read_at(stored, sizeof stored, f->size() - static_cast<std::int64_t>(kSeedSize)) == 0)
            keys.emplace(seed_from_stored(stored), password, static_cast<std::size_t>(f->size()) - kCodedOverhead,
                         keys_);
    }
    Destination to;
    if (const auto outcome = open_request(Operation::Decode, from, destination, where, out_folder, to)) return *outcome;

    ProgressRestore restore(ui_);
    InputFile& in = from.open();
    const std::int64_t size = in.size();
    show_passes(size, msg::kLevel1Decoding, msg::kLevel2Decoding, false);
    // A small file is read whole at once; a larger one piece by piece.
    std::uint8_t* whole = nullptr;
    if (size <= kSmallFile) {
        whole = small_buffer();
        in.read_exact(whole, static_cast<std::size_t>(size));
    }
    const coded_header header = read_header(in, size, whole);
    if (const auto outcome = check_coded(in, header, size, source)) return *outcome;

    const auto computed = static_cast<std::int64_t>(decode_payload(in, to, header, size, whole, password, keys));
    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.label_set_visible(LabelId::Checksum, true);
    // The restored file holds exactly the bytes written: their sum is its
    // checksum, shown as the checksum pass shows it.
    ui_.log_line(ui_.message(msg::kCrcCheck), destination);
    show_checksum(header.payload_length(size), computed);
    if (computed != header.crc) {
        ui_.log_line(ui_.message(msg::kCrcMismatch));
        ui_.notice(ui_.message(msg::kCrcMismatch));
        end_display(ui_);
        return Outcome::CrcMismatch;
    }
    finished(msg::kDecodingFinished, source, destination);
    return Outcome::Done;
}

// Ends decoding before anything is written: a file that is not a coded one,
// a newer version the user does not want to try, a payload too large.
std::optional<Outcome> Engine::check_coded(InputFile& in, const coded_header& header, std::int64_t size,
                                           const std::string& source) {
    auto stop_early = [&] {
        in.close();
        ui_.label_set_visible(LabelId::Pass1, false);
        ui_.label_set_visible(LabelId::Pass2, false);
    };
    if (!header.signature_ok) {
        if (!batch_mode) {
            ui_.notice(ui_.message(msg::kNotCodedFile));
            ui_.log_line(ui_.message(msg::kDecodingAborted));
        }
        ui_.log_line(ui_.message(msg::kNotCodedFile));
        stop_early();
        return Outcome::NotCoded;
    }
    if (header.newer_than_ours() && !ui_.ask_yes_no(ui_.message(msg::kNewerVersion))) {
        ui_.log_line(ui_.message(msg::kDecodingAborted));
        stop_early();
        return Outcome::Declined;
    }
    if (header.payload_length(size) > kMaxOriginalSize) {
        stop_early();
        refuse(refusal_too_large_to_decode(source), msg::kDecodingAborted);
        return Outcome::Refused;
    }
    return std::nullopt;
}

// Both passes over the payload into the destination; returns the sum of the
// bytes written.  `whole` holds the file when it was read at once.
std::uint64_t Engine::decode_payload(InputFile& in, const Destination& to, const coded_header& header,
                                     std::int64_t size, std::uint8_t* whole, std::string_view password,
                                     std::optional<Keys>& keys) {
    const std::int64_t payload = header.payload_length(size);
    // The seed needs the file's last 4 bytes after the payload.
    if (whole != nullptr && payload < 0) throw IoError(in.path(), IoError::kEndOfFile);
    const std::int32_t seed =
        whole != nullptr ? seed_from_stored(whole + size - static_cast<std::int64_t>(kSeedSize)) : read_seed(in, size);
    // A small payload's keys are made while the output is opened, unless
    // they are on their way already.
    if (whole == nullptr || !keys || !keys->made_for(seed, static_cast<std::size_t>(payload))) keys.reset();
    if (whole != nullptr && !keys) keys.emplace(seed, password, static_cast<std::size_t>(payload), keys_);
    OutputFile out(to);
    std::uint64_t sum = 0;
    if (whole != nullptr) {
        std::uint8_t* plain = whole + header.data_offset;
        const auto n = static_cast<std::size_t>(payload);
        ui_.process_events();
        in_memory(plain, n, *keys, size);
        out.write_all(plain, n);
        sum = byte_sum(plain, n);
    } else {
        in.seek(header.data_offset);
        ui_.process_events();
        PasswordStream level2(password);
        Pass pass1{ProgressBarId::Pass1, step_for(size), 0, password_keys(level2)};
        Pass pass2{ProgressBarId::Pass2, step_for(size), 0, position_keys(seed)};
        sum = run_blocks(in, out, payload, pass1, pass2, both_keys(seed, level2), SumOf::Output);
    }
    in.close();
    out.commit();
    last_output_ = out.identity();
    return sum;
}

// Checks a password against a coded file without writing anything.
Outcome Engine::test_file(const std::string& source, std::string_view password) {
    ui_.file_begins(source);
    ui_.log_line(ui_.message(msg::kStartingDecode), source);
    if (const SourceInfo from = inspect_source(source); from.exists && !from.regular) {
        ui_.log_line(refusal_not_regular(source));
        return Outcome::Refused;
    }
    InputFile in(source);
    const std::int64_t size = in.size();
    const coded_header header = read_header(in, size, nullptr);
    if (!header.signature_ok) {
        ui_.log_line(ui_.message(msg::kNotCodedFile));
        return Outcome::NotCoded;
    }
    const std::int64_t payload = header.payload_length(size);
    if (payload < 0) throw IoError(source, IoError::kEndOfFile);
    if (payload > kMaxOriginalSize) {
        ui_.log_line(refusal_too_large_to_decode(source));
        return Outcome::Refused;
    }

    const std::int32_t seed = read_seed(in, size);
    std::uint8_t* buffer = block_buffer(source);
    in.seek(header.data_offset);
    PasswordStream level2(password);
    std::uint64_t sum = 0;
    for (std::int64_t position = 0; position < payload;) {
        const auto block =
            static_cast<std::size_t>(std::min<std::int64_t>(payload - position, static_cast<std::int64_t>(kBlockSize)));
        in.read_exact(buffer, block);
        level1_xor_with(seed, static_cast<std::int32_t>(position + 1), level2.at(static_cast<std::uint64_t>(position)),
                        buffer, block);
        sum += byte_sum(buffer, block);
        position += static_cast<std::int64_t>(block);
        ui_.process_events();
    }
    in.close();

    ui_.log_line(ui_.message(msg::kOriginalCrc), header.crc);
    ui_.log_line(ui_.message(msg::kCrc), static_cast<std::int64_t>(sum));
    if (static_cast<std::int64_t>(sum) != header.crc) {
        ui_.log_line(ui_.message(msg::kCrcMismatch));
        return Outcome::CrcMismatch;
    }
    ui_.log_line("Password matches the stored checksum: " + source);
    return Outcome::Done;
}

}  // namespace tarnvold
