// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/progress_panel.h"

#include "ui/qt_text.h"
#include "ui/ui_common.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <utility>

namespace tarnvold {

namespace {

QProgressBar* make_bar(const char* name, QWidget* parent, int left, int top, int width, int height) {
    auto* b = new QProgressBar(parent);
    b->setObjectName(name);
    b->setGeometry(left, top, width, height);
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    return b;
}

// The place of a bar or label in the panel's lists: checksum, first pass,
// second pass, folder.
std::size_t index_of(ProgressBarId id) {
    switch (id) {
    case ProgressBarId::Checksum: return 0;
    case ProgressBarId::Pass1: return 1;
    case ProgressBarId::Pass2: return 2;
    case ProgressBarId::Folder: return 3;
    }
    return 3;
}

std::size_t index_of(LabelId id) {
    switch (id) {
    case LabelId::Checksum: return 0;
    case LabelId::Pass1: return 1;
    case LabelId::Pass2: return 2;
    case LabelId::Folder: return 3;
    }
    return 3;
}

}  // namespace

ProgressPanel::ProgressPanel(QWidget* client, QFrame* frame) : QObject(client) {
    logPane = new QPlainTextEdit(client);
    logPane->setObjectName("Memo1");
    logPane->setGeometry(8, 24, 273, 313);
    logPane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    logPane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logPane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The pane stays editable, but Tab moves on to the next control.
    logPane->setTabChangesFocus(true);
    logPane->setMaximumBlockCount(kLogPaneLines);
    // A file dropped on the pane selects it, as anywhere on the window; it
    // does not become text of the log.
    logPane->setAcceptDrops(false);

    checksumBar = make_bar("ProgressBar1", frame, 8, 24, 281, 17);
    firstPassBar = make_bar("ProgressBar2", frame, 8, 88, 281, 17);
    checksumLabel = ui::make_label("Label3", "Label1", frame, 16, 8);
    firstPassLabel = ui::make_label("Label4", "Label2", frame, 16, 72);
    secondPassBar = make_bar("ProgressBar3", frame, 8, 144, 281, 17);
    secondPassLabel = ui::make_label("Label5", "Label2", frame, 16, 128);
    checksumLabel->hide();
    firstPassLabel->hide();
    secondPassLabel->hide();

    folderBar = make_bar("ProgressBar4", client, 0, 376, 297, 9);
    folderBar->hide();
    folderLabel = ui::make_label("Label1", "Folder progress", client, 8, 360);
    folderLabel->hide();

    bars_[0].widget = checksumBar;
    bars_[1].widget = firstPassBar;
    bars_[2].widget = secondPassBar;
    bars_[3].widget = folderBar;
}

void ProgressPanel::set_folder_caption(const QString& caption) {
    folderLabel->setText(caption);
    folderLabel->adjustSize();
}

void ProgressPanel::show_file_bars() {
    checksumBar->setVisible(true);
    firstPassBar->setVisible(true);
    secondPassBar->setVisible(true);
}

void ProgressPanel::retranslate() {
    logPane->setAccessibleName(tr("Log"));
    // The bars are read out by what they measure; the labels above them show
    // their captions only while a file is worked on.
    checksumBar->setAccessibleName(tr("Checksum progress"));
    firstPassBar->setAccessibleName(tr("First coding pass"));
    secondPassBar->setAccessibleName(tr("Second coding pass"));
    checksumLabel->setAccessibleName(checksumBar->accessibleName());
    firstPassLabel->setAccessibleName(firstPassBar->accessibleName());
    secondPassLabel->setAccessibleName(secondPassBar->accessibleName());
    folderLabel->setAccessibleName(folderLabel->text());
    folderBar->setAccessibleName(folderLabel->text());
}

// ------------------------------------------------------------------- log

// The lines wait as the text that the pane will take in one insertion: the
// pane fetches the formats once and starts a new paragraph at each
// separator, as a new block would.  The paragraph separator, unlike a line
// feed, never pairs with a carriage return that ends a line before it.
void ProgressPanel::append_line(const std::string& line) {
    if (log_has_lines_) pending_text_ += QChar::ParagraphSeparator;
    ui::append_qs(pending_text_, line);
    log_has_lines_ = true;
    lines_pending_ = true;
    changed();
}

void ProgressPanel::clear_log() {
    pending_text_.clear();
    lines_pending_ = false;
    logPane->clear();
    log_has_lines_ = false;
}

// Lines arriving during a command reach the pane together, once a frame, in
// one edit: the pane then lays out only the lines it shows.
void ProgressPanel::show_lines() {
    if (!lines_pending_) return;
    // Log lines are not the user's typing: they are kept out of the undo
    // history, which would otherwise hold every line of a long run again.
    QTextDocument* document = logPane->document();
    document->setUndoRedoEnabled(false);
    const QString text = std::exchange(pending_text_, QString());
    lines_pending_ = false;
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    document->setUndoRedoEnabled(true);
    // The newest line is in view at once.
    logPane->verticalScrollBar()->setValue(logPane->verticalScrollBar()->maximum());
}

// ------------------------------------------------------------------ bars

// A widget repaints itself at once whenever its bar moves by a few pixels;
// with hundreds of steps per small file that painting, and laying out every
// log line, would be most of a folder run.  So while a command runs, the
// widgets catch up with the bars, labels and log once a frame, when the
// window handles its messages, before every box and dialog, and at the
// command's end.
void ProgressPanel::changed() {
    if (!deferred_) catch_up();
}

void ProgressPanel::catch_up() {
    show_lines();
    show_bars();
    show_labels();
}

ProgressPanel::Bar& ProgressPanel::bar(ProgressBarId id) { return bars_[index_of(id)]; }

const ProgressPanel::BarState& ProgressPanel::bar_state(ProgressBarId id) const { return bars_[index_of(id)].state; }

void ProgressPanel::render(Bar& b) {
    BarState& s = b.state;
    s.position = std::clamp(s.position, s.min, std::max(s.min, s.max));
    b.dirty = true;
    changed();
}

void ProgressPanel::show_bars() {
    for (Bar& b : bars_) {
        if (!b.dirty) continue;
        b.dirty = false;
        draw(b);
    }
}

// The widget counts in int; the largest coded files go past INT_MAX, so a
// range that does not fit is shown scaled down by a power of two.
void ProgressPanel::draw(Bar& b) {
    const BarState& s = b.state;
    const std::int64_t range = s.max > s.min ? s.max - s.min : 0;
    int shift = 0;
    while ((range >> shift) > INT_MAX) ++shift;
    // The widget would paint itself at once, and show that on the screen,
    // for every change of a few pixels; it is painted with the rest of the
    // window instead, when the window next handles its messages.
    QProgressBar* widget = b.widget;
    widget->setUpdatesEnabled(false);
    // An empty range would turn the widget into a busy indicator.
    widget->setRange(0, std::max(1, static_cast<int>(range >> shift)));
    widget->setValue(static_cast<int>((s.position - s.min) >> shift));
    widget->setUpdatesEnabled(true);
}

void ProgressPanel::bar_setup(ProgressBarId id, std::int64_t min, std::int64_t max, std::int64_t step) {
    Bar& b = bar(id);
    b.state.min = min;
    b.state.max = max;
    b.state.step = step;
    render(b);
}

void ProgressPanel::bar_set_position(ProgressBarId id, std::int64_t position) {
    Bar& b = bar(id);
    b.state.position = position;
    render(b);
}

// The most frequent call of a folder run, hundreds of times a file.  A step
// forward from a position inside the range stays inside it; only a step
// backward needs the clamp of render().
void ProgressPanel::bar_step(ProgressBarId id) {
    Bar& b = bar(id);
    BarState& s = b.state;
    const std::int64_t position = s.position;
    // Past the maximum the bar starts over from its minimum.
    s.position = s.step > s.max - position ? s.min : position + s.step;
    if (s.step < 0) {
        render(b);
        return;
    }
    b.dirty = true;
    changed();
}

// The steps a pass crosses at once.  The positions in between are never
// shown (the window paints once a frame), so the bar goes straight to where
// the steps end, starting over from its minimum where they would.
bool ProgressPanel::bar_steps(ProgressBarId id, std::int64_t count) {
    Bar& b = bar(id);
    BarState& s = b.state;
    if (s.step <= 0) return false;
    while (count > 0) {
        // Steps that fit before the bar would start over.
        const std::int64_t room = s.position <= s.max ? (s.max - s.position) / s.step : 0;
        const std::int64_t n = std::min(count, room);
        s.position += n * s.step;
        count -= n;
        if (count > 0) {
            s.position = s.min;
            --count;
        }
    }
    b.dirty = true;
    changed();
    return true;
}

// ---------------------------------------------------------------- labels

QLabel* ProgressPanel::label(LabelId id) const {
    switch (id) {
    case LabelId::Folder: return folderLabel;
    case LabelId::Checksum: return checksumLabel;
    case LabelId::Pass1: return firstPassLabel;
    case LabelId::Pass2: return secondPassLabel;
    }
    return folderLabel;
}

// The per-file labels get the same caption for every file: while the label
// still shows the caption set last, there is nothing to convert or lay out.
void ProgressPanel::label_set_caption(LabelId id, std::string_view caption) {
    QLabel* l = label(id);
    Caption& last = captions_[index_of(id)];
    if (last.bytes == caption && l->text() == last.text) return;
    last.bytes.assign(caption);
    last.text = ui::qs(caption);
    l->setText(last.text);
    l->adjustSize();
}

// Showing or hiding a widget asks the window system where the mouse is;
// during a command the labels, too, follow once a frame.
void ProgressPanel::label_set_visible(LabelId id, bool visible) {
    label_visible_[index_of(id)] = visible;
    changed();
}

void ProgressPanel::show_labels() {
    for (const LabelId id : {LabelId::Folder, LabelId::Checksum, LabelId::Pass1, LabelId::Pass2}) {
        std::optional<bool>& visible = label_visible_[index_of(id)];
        if (!visible) continue;
        label(id)->setVisible(*visible);
        // The folder progress is its label and its bar together.
        if (id == LabelId::Folder) folderBar->setVisible(*visible);
        visible.reset();
    }
}

}  // namespace tarnvold
