// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine's own files share: the size below which a file is coded
// in memory, the passes over a payload with their key streams, and the keys
// made ahead on the side thread.  Not for the other modules.
#pragma once

#include "engine/engine.h"
#include "engine/keystream.h"

#include "io/file_io.h"
#include "io/side_task.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvold {

// Files below this size are read in one piece: one read gives the checksum
// and the bytes to code.  Larger ones are read twice, in blocks, and coded
// in pieces shared with the workers.
constexpr std::int64_t kSmallFile = 1 << 20;

// A bar's step for a file of `size` bytes: some 150 steps over the file,
// at least one byte each.
inline std::int64_t step_for(std::int64_t size) {
    const std::int64_t step = size / 150;
    return step == 0 ? 1 : step;
}

// Both key streams in one pass over bytes whose first one is at payload
// position before + 1 (the password stream's position `before`), adding up
// the bytes given or left on the way.
std::function<std::uint64_t(std::uint8_t*, std::size_t, std::int64_t, KeyedSum)> both_keys(
    std::int32_t seed, const PasswordStream& password_stream);
// The position key stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> position_keys(std::int32_t seed);
// The password stream alone, for bytes whose first one is at payload
// position before + 1.
std::function<void(std::uint8_t*, std::size_t, std::int64_t)> password_keys(const PasswordStream& password_stream);

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

// Both key streams of a payload held in memory, from its first byte.  On a
// machine with more than one core they are made on the pool's side thread
// into a buffer of their own, beginning as soon as the seed and the length
// are known, while this thread reads and opens files; apply() then only
// combines them with the bytes.  Otherwise, and whenever the side thread
// does not get to them in time, apply() makes them in place.
class Engine::Keys {
public:
    Keys(std::int32_t seed, std::string_view password, std::size_t count, std::shared_ptr<std::uint8_t[]>& buffer);
    ~Keys();
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;

    bool made_for(std::int32_t seed, std::size_t count) const { return seed == seed_ && count == count_; }

    // The seed turned out to be another one: the keys are made again.
    void use_seed(std::int32_t seed);

    void apply(std::uint8_t* bytes);

private:
    struct Job;

    std::int32_t seed_;
    PasswordStream password_stream_;
    std::size_t count_;
    SideTask* side_ = nullptr;
    std::shared_ptr<Job> job_;
};

// Puts the per-file labels and bars back at rest.
void end_display(UserInterface& ui);

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

}  // namespace tarnvold
