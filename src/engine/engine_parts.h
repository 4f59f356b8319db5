// SPDX-License-Identifier: GPL-3.0-or-later
// What the engine's own files share: putting the display back at rest, and
// the source of an operation.  Not for the other modules.
#pragma once

#include "engine/engine.h"

#include "io/file_io.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvold {

// The codec's progress on the bars: a stage's steps on its bar, with
// pending window messages let through and a stop asked for honoured.
class Engine::Steps final : public CodecProgress {
public:
    Steps(Engine& engine, bool show_checksum_label) : engine_(engine), label_(show_checksum_label) {}
    void begins(Stage stage, std::int64_t bytes) override {
        if (stage == Stage::Checksum) engine_.begin_checksum_bar(bytes, label_);
    }
    void step(Stage stage) override {
        engine_.ui_.bar_step(bar(stage));
        engine_.pump();
    }
    void steps(Stage stage, std::int64_t count) override {
        engine_.ui_.bar_steps(bar(stage), count);
        engine_.stop_if_requested();
    }
    void pause() override { engine_.pump(); }

private:
    static ProgressBarId bar(Stage stage) {
        switch (stage) {
        case Stage::Checksum: return ProgressBarId::Checksum;
        case Stage::FirstPass: return ProgressBarId::Pass1;
        case Stage::SecondPass: break;
        }
        return ProgressBarId::Pass2;
    }

    Engine& engine_;
    bool label_;
};

// Forgets the keys begun ahead for a file when its operation ends.
class KeysDropped {
public:
    explicit KeysDropped(Codec& codec) : codec_(codec) {}
    ~KeysDropped() { codec_.drop_keys(); }
    KeysDropped(const KeysDropped&) = delete;
    KeysDropped& operator=(const KeysDropped&) = delete;

private:
    Codec& codec_;
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
