// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/startup.h"

#include "config/message_id.h"

#include "io/file_io.h"
#include "io/folder.h"
#include "io/paths.h"

#include <cerrno>

namespace tarnvold {

int centred(int screen, int window) { return (screen - window) / 2; }

void centre_window(StartupHost& host) {
    host.move_window(centred(host.screen_width(), host.window_width()),
                     centred(host.screen_height(), host.window_height()));
}

std::string configured_language(const config_record& record) {
    const std::string path = record.lang_path();
    if (path.size() <= 9) return {};
    return path.substr(5, path.size() - 9);
}

void set_config(const config_record& record, StartupHost& host) {
    if (!record.signature_valid()) return;
    if (!record.compact_view()) {
        host.show_full_view(true);
        host.set_window_size(kFullWidth, kFullHeight);
    } else {
        host.show_full_view(false);
        host.set_window_size(kCompactWidth, kCompactHeight);
    }
    centre_window(host);
}

namespace {

// A first start in an empty folder has no "lang" yet; the English file
// needs it.
void make_lang_folder(const std::string& start_dir) {
    const std::string folder = join_native(start_dir, "lang");
    try {
        const Folder start = Folder::open(start_dir.empty() ? std::string(".") : start_dir, Folder::Use::Write);
        if (start.make_child("lang")) return;
        if (start.inspect("lang", true).kind == EntryKind::Folder) return;
        throw IoError(folder, ENOTDIR);
    } catch (const IoError& error) {
        if (error.path() == folder) throw;
        throw IoError(folder, error.status());
    }
}

}  // namespace

void Init_Tarnvold(Language& language, Configuration& configuration, StartupHost& host) {
    try {
        language.fill_english_table();
        make_lang_folder(language.start_dir);
        language.write_english_file();
        language.scan_lang_dir();
        host.add_languages(language.lang_list);
        if (!file_exists(kConfigFileName)) configuration.default_config();
        configuration.read_config(kConfigFileName);
        // Only the width counts, and only for the full window.
        if (!configuration.record.compact_view() && host.screen_width() < host.window_width()) {
            host.unowned_notice(language.message(msg::kNeedDisplay));
            host.exit_program(1);
            return;
        }
        host.select_language(configured_language(configuration.record));
    } catch (const IoError& error) {
        // The rest of the configuration is skipped, but the window must stay
        // usable: later reports go to an open log.
        host.report_error(error);
        host.open_log();
        centre_window(host);
        host.set_batch_mode(false);
        return;
    }
    host.open_log();
    centre_window(host);
    host.clear_log();
    host.set_batch_mode(false);
    host.log_line(language.message(msg::kInitFinished));
}

}  // namespace tarnvold
