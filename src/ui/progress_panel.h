// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's log pane and its four progress bars with their labels:
// what a command reports as it goes.  While a command runs, the widgets
// catch up with the lines, bars and labels once a frame, not at every
// report.
#pragma once

#include "engine/user_interface.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QWidget;

namespace tarnvold {

class ProgressPanel : public QObject {
    Q_OBJECT
public:
    // The log pane and the folder progress on `client`, the bars of a file
    // and their labels on `frame`.
    ProgressPanel(QWidget* client, QFrame* frame);

    // The log pane keeps this many of the last lines: a run over many files
    // would otherwise keep every line of it in memory, laid out.
    static constexpr int kLogPaneLines = 10000;

    // A bar's position and range as the program set them, before any
    // scaling to the widget.
    struct BarState {
        std::int64_t min = 0;
        std::int64_t max = 100;
        std::int64_t step = 10;
        std::int64_t position = 0;
    };
    const BarState& bar_state(ProgressBarId bar) const;

    // While deferred (a command runs), changes reach the widgets only at
    // catch_up(); otherwise at once.
    void set_deferred(bool deferred) { deferred_ = deferred; }
    // The widgets show the lines, bars and labels as they are now.
    void catch_up();

    void append_line(const std::string& line);
    void clear_log();
    void bar_setup(ProgressBarId bar, std::int64_t min, std::int64_t max, std::int64_t step);
    void bar_set_position(ProgressBarId bar, std::int64_t position);
    void bar_step(ProgressBarId bar);
    // False when the bar steps backward or not at all: the caller then
    // takes the steps one by one.
    bool bar_steps(ProgressBarId bar, std::int64_t count);
    void label_set_caption(LabelId label, std::string_view caption);
    void label_set_visible(LabelId label, bool visible);

    // The folder progress's caption, from the message table.
    void set_folder_caption(const QString& caption);
    // The bars of a file are shown in both styles of the window.
    void show_file_bars();
    void retranslate();

    QPlainTextEdit* log_pane() const { return logPane; }

private:
    struct Bar {
        QProgressBar* widget = nullptr;
        BarState state;
        bool dirty = false;  // the widget does not show `state` yet
    };
    struct Caption {
        std::string bytes;
        QString text;
    };

    QPlainTextEdit* logPane;
    QProgressBar* checksumBar;
    QProgressBar* firstPassBar;
    QProgressBar* secondPassBar;
    QProgressBar* folderBar;
    QLabel* checksumLabel;
    QLabel* firstPassLabel;
    QLabel* secondPassLabel;
    QLabel* folderLabel;

    Bar& bar(ProgressBarId id);
    void render(Bar& b);
    void changed();
    void show_lines();
    void show_bars();
    void show_labels();
    static void draw(Bar& b);
    QLabel* label(LabelId id) const;

    std::array<Bar, 4> bars_{};
    QString pending_text_;  // log lines the pane does not show yet, a separator before each but its first
    bool lines_pending_ = false;
    bool log_has_lines_ = false;                          // a line has come since the pane was cleared
    std::array<std::optional<bool>, 4> label_visible_{};  // by label, not yet shown
    std::array<Caption, 4> captions_{};                   // by label, the caption set last
    bool deferred_ = false;
};

}  // namespace tarnvold
