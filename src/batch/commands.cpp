// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/commands.h"

#include "config/message_id.h"
#include "io/file_io.h"

namespace tarnvold {

// What one command has changed in the window, so that an error can put it
// back; the normal paths undo each change at the point the command reaches.
class Commands::Frame {
public:
    explicit Frame(Commands& c) : c_(c) {}
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    void lock_menu() {
        c_.host_.set_menu_enabled(false);
        menu_locked_ = true;
    }
    void unlock_menu() {
        c_.host_.set_menu_enabled(true);
        menu_locked_ = false;
    }
    void hide_buttons() {
        c_.host_.set_buttons_visible(false);
        buttons_hidden_ = true;
    }
    void show_buttons() {
        c_.host_.set_buttons_visible(true);
        buttons_hidden_ = false;
    }
    // The folder progress and the count line.
    std::int64_t start_progress(Operation op, const std::string& source) {
        progress_shown_ = true;
        return c_.walk_.announce(op, source);
    }
    void end_progress() {
        c_.walk_.folder_progress_end();
        progress_shown_ = false;
    }
    void show_stop(bool on) {
        c_.host_.set_stop_visible(on);
        c_.stoppable_ = on;
        stop_shown_ = on;
    }
    void set_batch_mode(bool on) {
        c_.engine_.batch_mode = on;
        batch_mode_set_ = on;
    }

    // The cancel report: the menu is unlocked first, the folder progress
    // ended last.
    void cancel(int aborted_message) {
        if (menu_locked_) unlock_menu();
        c_.ui_.log_line(c_.ui_.message(aborted_message));
        if (progress_shown_) end_progress();
    }
    // A request the command will not carry out: said in the log and in a
    // box, then ended like a cancel.
    void refuse(const Reason& reason, int aborted_message) {
        c_.ui_.log_reason(reason);
        c_.ui_.notice_reason(reason);
        cancel(aborted_message);
    }

    // After an error: everything still changed goes back to rest.
    void restore() noexcept {
        try {
            if (batch_mode_set_) c_.engine_.batch_mode = false;
            c_.stoppable_ = false;
            if (stop_shown_) c_.host_.set_stop_visible(false);
            if (menu_locked_) c_.host_.set_menu_enabled(true);
            if (buttons_hidden_) c_.host_.set_buttons_visible(true);
            if (progress_shown_) c_.walk_.folder_progress_end();
        } catch (...) {
        }
        batch_mode_set_ = menu_locked_ = buttons_hidden_ = progress_shown_ = stop_shown_ = false;
    }

private:
    Commands& c_;
    bool menu_locked_ = false;
    bool buttons_hidden_ = false;
    bool progress_shown_ = false;
    bool batch_mode_set_ = false;
    bool stop_shown_ = false;
};

namespace {

// The selected object is still there.
bool object_exists(const std::string& path) { return inspect_source(path).exists; }

}  // namespace

Commands::Commands(Engine& engine, UserInterface& ui, CommandHost& host)
    : engine_(engine), ui_(ui), host_(host), walk_(engine, ui) {
    walk_.stop_requested = [this] { return stop_; };
    engine_.stop_requested = [this] { return stop_ && stoppable_; };
}

void Commands::request_stop(bool quietly) {
    if (!stoppable_) return;
    stop_ = true;
    stop_quietly_ = stop_quietly_ || quietly;
}

template <class Body>
void Commands::run(Body&& body) {
    if (busy_) return;
    busy_ = true;
    host_.set_commands_blocked(true);
    Frame frame(*this);
    auto unblock = [this] {
        busy_ = false;
        host_.set_commands_blocked(false);
    };
    try {
        body(frame);
    } catch (const IoError& error) {
        frame.restore();
        unblock();
        host_.report_error(error);
        return;
    } catch (...) {
        frame.restore();
        unblock();
        throw;
    }
    unblock();
}

void Commands::code_file() {
    run([this](Frame& frame) { code_chosen_file(frame); });
}

void Commands::decode_file() {
    run([this](Frame& frame) { decode_chosen_file(frame); });
}

void Commands::code_object() { object(Operation::Code); }
void Commands::decode_object() { object(Operation::Decode); }

void Commands::code_folder() {
    run([this](Frame& frame) { chosen_folder(frame, Operation::Code); });
}

void Commands::decode_folder() {
    run([this](Frame& frame) { chosen_folder(frame, Operation::Decode); });
}

void Commands::object(Operation op) {
    run([this, op](Frame& frame) {
        // Read once: the object stays the same whatever the pane shows later.
        const Selection selected = host_.selection();
        switch (selected.kind) {
        case Selection::Kind::None: op == Operation::Code ? code_chosen_file(frame) : decode_chosen_file(frame); break;
        case Selection::Kind::File: object_file(frame, op, selected.path); break;
        case Selection::Kind::Folder: object_folder(frame, op, selected.path); break;
        }
    });
}

void Commands::code_chosen_file(Frame& frame) {
    frame.lock_menu();
    std::string source, destination, password;
    if (!host_.open_dialog(source) || !host_.save_dialog(Operation::Code, source, destination) ||
        !host_.password_dialog(Operation::Code, password))
        return frame.cancel(msg::kCodingAborted);
    if (!run_file(frame, Operation::Code, source, destination, password)) return;
    ui_.notice(ui_.message(msg::kCodingFinished) + "\n\r" + source);
    frame.unlock_menu();
}

void Commands::decode_chosen_file(Frame& frame) {
    frame.lock_menu();
    std::string source, destination, password;
    if (!host_.open_dialog(source) || !host_.save_dialog(Operation::Decode, source, destination))
        return frame.cancel(msg::kDecodingAborted);
    // Asked here, before the password, and once more by decodefile.
    if (file_exists(destination) && !ui_.ask(Question::ReplaceDestination, destination, ui_.message(msg::kFileExists)))
        return frame.cancel(msg::kDecodingAborted);
    if (!host_.password_dialog(Operation::Decode, password)) return frame.cancel(msg::kDecodingAborted);
    if (!run_file(frame, Operation::Decode, source, destination, password)) return;
    ui_.notice(ui_.message(msg::kDecodingFinished) + "\n\r" + source);
    frame.unlock_menu();
}

void Commands::object_file(Frame& frame, Operation op, const std::string& path) {
    frame.lock_menu();
    std::string destination, password;
    if (!host_.save_dialog(op, path, destination) || !host_.password_dialog(op, password))
        return frame.cancel(aborted_message(op));
    // The object was chosen before the dialogs; it may have gone meanwhile.
    if (!object_exists(path)) return frame.refuse({.why = Why::NoLongerExists, .path = path}, aborted_message(op));
    if (!run_file(frame, op, path, destination, password)) return;
    ui_.notice(ui_.message(finished_message(op)) + "\n\r" + path);
    frame.unlock_menu();
}

void Commands::object_folder(Frame& frame, Operation op, const std::string& path) {
    frame.lock_menu();
    frame.start_progress(op, path);
    if (const Reason refused = source_refusal(path); refused.why != Why::None)
        return frame.refuse(refused, aborted_message(op));
    std::string destination, password;
    if (!host_.folder_dialog(FolderQuestion::Destination, ui_.message(msg::kSelectDestination), destination))
        return frame.cancel(aborted_message(op));
    if (const Overlap overlap = folders_overlap(path, destination); overlap != Overlap::None)
        return frame.refuse(overlap_reason(overlap, path, destination), aborted_message(op));
    if (!host_.password_dialog(op, password)) return frame.cancel(aborted_message(op));
    if (!object_exists(path)) return frame.refuse({.why = Why::NoLongerExists, .path = path}, aborted_message(op));

    // Decoding, files that are not coded files are told in the log only.
    run_walk(frame, op, path, destination, password, op == Operation::Decode);
}

void Commands::chosen_folder(Frame& frame, Operation op) {
    std::string source, destination, password;
    if (!host_.folder_dialog(FolderQuestion::Source,
                             ui_.message(op == Operation::Code ? msg::kSelectSourceCoding : msg::kSelectSourceDecoding),
                             source))
        return frame.cancel(aborted_message(op));
    // Refused before the next question.
    if (const Reason refused = source_refusal(source); refused.why != Why::None)
        return frame.refuse(refused, aborted_message(op));
    if (!host_.folder_dialog(FolderQuestion::Destination, ui_.message(msg::kSelectDestination), destination))
        return frame.cancel(aborted_message(op));
    if (const Overlap overlap = folders_overlap(source, destination); overlap != Overlap::None)
        return frame.refuse(overlap_reason(overlap, source, destination), aborted_message(op));

    frame.lock_menu();
    frame.start_progress(op, source);
    if (!host_.password_dialog(op, password)) return frame.cancel(aborted_message(op));

    run_walk(frame, op, source, destination, password, false);
}

bool Commands::run_file(Frame& frame, Operation op, const std::string& source, const std::string& destination,
                        const std::string& password) {
    stop_ = stop_quietly_ = false;
    single_file_ = true;
    frame.show_stop(true);
    try {
        engine_.operate(op, source, destination, password);
    } catch (const OperationStopped&) {
        frame.show_stop(false);
        frame.cancel(aborted_message(op));
        return false;
    }
    frame.show_stop(false);
    return true;
}

// The walk of a folder command, from hiding the buttons to the box at the
// end: the completion box, or after a stop a box with the walk's stop line.
void Commands::run_walk(Frame& frame, Operation op, const std::string& source, const std::string& destination,
                        const std::string& password, bool batch_mode) {
    frame.hide_buttons();
    stop_ = stop_quietly_ = false;
    single_file_ = false;
    frame.show_stop(true);
    if (batch_mode) frame.set_batch_mode(true);
    walk_.run(op, source, destination, password);
    if (batch_mode) frame.set_batch_mode(false);
    frame.show_stop(false);
    frame.unlock_menu();
    frame.show_buttons();
    frame.end_progress();
    // The window is back at rest before the box that ends the run.
    host_.set_commands_blocked(false);
    if (!walk_.stopped())
        ui_.notice(ui_.message(finished_message(op)));
    else if (!stop_quietly_)
        ui_.notice_reason(walk_.stop_reason());
}

}  // namespace tarnvold
