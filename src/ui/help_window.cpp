// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help_window.h"

#include "ui/qt_text.h"
#include "ui/translations.h"
#include "ui/ui_common.h"

#include "io/file_io.h"
#include "io/paths.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>
#include <QWindow>

#include <algorithm>

namespace tarnvold {

namespace {
constexpr int kDesignWidth = 792;
constexpr int kDesignHeight = 566;

// A help page is a file (a link to one will do).
bool page_exists(const QString& path) { return file_exists(ui::native_path(path)); }

// The help pages of a language live in help/<locale>/ under the names of
// the English ones in help/.  A page not translated (yet) is shown in
// English: a link from a translated page to it falls back to help/.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::HtmlResource && name.isLocalFile() && !page_exists(name.toLocalFile())) {
            const std::string wanted = ui::native_path(name.toLocalFile());
            const QString english = ui::qs(entry_path(parent_folder(parent_folder(wanted)), last_name(wanted)));
            if (page_exists(english)) return QTextBrowser::loadResource(type, QUrl::fromLocalFile(english));
        }
        return QTextBrowser::loadResource(type, name);
    }
};

}  // namespace

// The folder as the system writes it, then the system's separator: a root
// keeps its own ("/" + "/help", "C:\" + "\help").
QString help_address_for(const QString& folder) {
    const QChar separator = QDir::separator();
    return QStringLiteral("file://") + folder + separator + QStringLiteral("help") + separator +
           QStringLiteral("default.htm");
}

HelpWindow::HelpWindow(Language& language, std::function<void()> start_up, QWidget* parent)
    : QWidget(parent), language_(language) {
    setObjectName("Form2");
    setWindowTitle("Help");
    setFont(ui::window_font());
    setFixedSize(kDesignWidth, kDesignHeight);

    pageView = new HelpBrowser(this);
    pageView->setObjectName("WebBrowser_v11");
    pageView->setGeometry(0, 8, 793, 529);
    pageView->setOpenLinks(true);
    pageView->setOpenExternalLinks(true);

    closeButton = ui::make_button("Button1", "Close window", this, QRect(320, 544, 153, 17));
    connect(closeButton, &QPushButton::clicked, this, &HelpWindow::close_clicked);
    setTabOrder(closeButton, pageView);

    language_.add_caption_target(this);
    open_start_page(start_up);
}

HelpWindow::~HelpWindow() { language_.remove_caption_target(this); }

void HelpWindow::open_start_page(const std::function<void()>& start_up) {
    ui::centre_on_screen(this);
    ui::centre_when_framed(this);
    std::string folder;
    try {
        folder = current_directory();
    } catch (const IoError&) {
        // A current directory that vanished has no help page; the view shows
        // its empty page and start-up goes on.
    }
    if (!folder.empty()) {
        QString dir = ui::qs(folder);
        // The page shipped beside the program where the start folder has
        // none.
        const auto page_in = [](const QString& in) { return QDir(in).filePath(QStringLiteral("help/default.htm")); };
        if (!page_exists(page_in(dir)) && !language_.program_dir.empty() &&
            page_exists(page_in(ui::qs(language_.program_dir))))
            dir = ui::qs(language_.program_dir);
        address_ = help_address_for(dir);
        // The address keeps the folder as it is; the view gets it as a local
        // file, so a folder with "#" or "%" in its name opens as well.
        help_folder_ = QDir(dir).filePath(QStringLiteral("help"));
        const QString file = page_in(dir);
        if (page_exists(file))
            pageView->setSource(QUrl::fromLocalFile(file));
        else
            pageView->setHtml(QStringLiteral("<p>") + tr("The help page could not be found:").toHtmlEscaped() +
                              QStringLiteral("</p><p>") + QDir::toNativeSeparators(file).toHtmlEscaped() +
                              QStringLiteral("</p>"));
    }
    if (start_up) start_up();
}

void HelpWindow::fit_within(const QSize& available) {
    available_ = available;
    QMargins frame;
    if (windowHandle() != nullptr) frame = windowHandle()->frameMargins();
    fitted_framed_ = !frame.isNull();
    // A title bar and borders as window managers draw them, until the
    // real ones are known.
    if (frame.isNull()) frame = QMargins(6, 32, 6, 6);
    const int width = std::min(kDesignWidth, available.width() - frame.left() - frame.right());
    const int height = std::min(kDesignHeight, available.height() - frame.top() - frame.bottom());
    const QSize size(std::max(width, 200), std::max(height, 120));
    if (size == this->size() && size == minimumSize()) return;
    setFixedSize(size);
    // At the design size: the design's places.  Smaller: the page takes what
    // the button leaves, the button stays centred at the foot.
    const int button_top = size.height() - (kDesignHeight - 544);
    const bool design_width = size.width() == kDesignWidth;
    pageView->setGeometry(0, 8, design_width ? 793 : size.width(), button_top - 15);
    closeButton->move(design_width ? 320 : (size.width() - closeButton->width()) / 2, button_top);
    ui::centre_on_screen(this);
}

// The screen may be smaller than the design (a small screen, or a large
// scale factor): fitted each time the window is shown, and once more when
// the window manager's frame is known.
bool HelpWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Show) {
        if (const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen())
            fit_within(s->availableGeometry().size());
    } else if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !fitted_framed_ &&
               available_.isValid() && windowHandle() != nullptr && !windowHandle()->frameMargins().isNull()) {
        fit_within(available_);
    }
    return handled;
}

void HelpWindow::apply_captions(const LangTable& table) {
    closeButton->setText(ui::qs(table_entry(table, msg::kCloseWindow)));
    // Another language: its own help page where there is one, else English.
    const QString file = ui::qs(language_.loaded_file);
    const QString locale = file.isEmpty() ? QString() : ui::locale_of_language(QFileInfo(file).completeBaseName());
    if (locale == help_locale_ || help_folder_.isEmpty()) return;
    const QString was = help_locale_;
    help_locale_ = locale;
    const QString translated = help_folder_ + QStringLiteral("/") + locale + QStringLiteral("/default.htm");
    if (!locale.isEmpty() && page_exists(translated))
        pageView->setSource(QUrl::fromLocalFile(translated));
    else if (!was.isEmpty() && page_exists(help_folder_ + QStringLiteral("/default.htm")))
        pageView->setSource(QUrl::fromLocalFile(help_folder_ + QStringLiteral("/default.htm")));
}

void HelpWindow::close_clicked() {
    hide();
    if (show_main) show_main();
}

void HelpWindow::closing() { close_clicked(); }

// Escape closes the window, as the button does.
void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        closing();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    // Hidden, not closed: the window lives as long as the program.
    event->ignore();
    closing();
}

}  // namespace tarnvold
