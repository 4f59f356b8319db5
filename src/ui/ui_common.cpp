// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_common.h"

#include "config/startup.h"

#include <QColor>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tarnvold::ui {

QFont window_font() {
    // Windows' own dialog face on its own platform, the desktop's sans-serif
    // face elsewhere.
    const bool windows = QGuiApplication::platformName() == QLatin1String("windows");
    QFont font(windows ? QStringLiteral("MS Shell Dlg 2") : QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor warning_colour(const QPalette& palette) {
    const QColor background = palette.color(QPalette::Window);
    for (const QColor& red : {QColor(0xB0, 0x00, 0x00), QColor(0xFF, 0x8C, 0x8C)})
        if (contrast(red, background) >= 4.5) return red;
    return palette.color(QPalette::WindowText);
}

void centre_on_screen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QSize outer = window->frameGeometry().size();
    // A window larger than the screen keeps its title bar on it.
    window->move(std::max(0, centred(screen->geometry().width(), outer.width())),
                 std::max(0, centred(screen->geometry().height(), outer.height())));
}

namespace {

class CentreWhenFramed : public QObject {
public:
    explicit CentreWhenFramed(QWidget* window) : QObject(window), window_(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        switch (event->type()) {
        case QEvent::Show: pending_ = true; [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            if (pending_ && window_->windowHandle() != nullptr && !window_->windowHandle()->frameMargins().isNull()) {
                pending_ = false;
                centre_on_screen(window_);
            }
            break;
        case QEvent::Hide: pending_ = false; break;
        default: break;
        }
        return false;
    }

private:
    QWidget* window_;
    bool pending_ = false;
};

}  // namespace

void centre_when_framed(QWidget* window) { new CentreWhenFramed(window); }

QLabel* make_label(const char* name, const QString& caption, QWidget* parent, int left, int top) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->move(left, top);
    l->adjustSize();
    return l;
}

QPushButton* make_button(const char* name, const QString& caption, QWidget* parent, const QRect& place) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    return b;
}

void reveal_current(QTreeView* view, QFileSystemModel* model) {
    const QModelIndex current = view->currentIndex();
    if (!current.isValid()) return;
    view->scrollTo(current, QAbstractItemView::PositionAtCenter);
    // Folders above the current one that finish loading later insert rows
    // ahead of it; scroll again after each, until the user picks another
    // folder or the first moments are over.
    const QString folder = model->filePath(current);
    auto loaded = std::make_shared<QMetaObject::Connection>();
    auto moved = std::make_shared<QMetaObject::Connection>();
    auto stop = [loaded, moved] {
        QObject::disconnect(*loaded);
        QObject::disconnect(*moved);
    };
    *loaded = QObject::connect(model, &QFileSystemModel::directoryLoaded, view, [view, folder](const QString& path) {
        if (path == "/" || folder.startsWith(path + "/"))
            view->scrollTo(view->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    *moved = QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view, stop);
    QTimer::singleShot(3000, view, stop);
}

namespace {

// A closed padlock over a sheet of paper with a folded corner, drawn with
// colours of the classic 16-colour palette and no smoothing.
QPixmap draw_icon() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);

    const QColor black(0, 0, 0), white(255, 255, 255), silver(192, 192, 192), grey(128, 128, 128);
    const QColor navy(0, 0, 128), blue(0, 0, 255), olive(128, 128, 0), yellow(255, 255, 0);

    // The sheet.
    QPainterPath sheet;
    sheet.moveTo(4, 1);
    sheet.lineTo(19, 1);
    sheet.lineTo(25, 7);
    sheet.lineTo(25, 30);
    sheet.lineTo(4, 30);
    sheet.closeSubpath();
    p.setPen(black);
    p.setBrush(white);
    p.drawPath(sheet);
    p.setBrush(silver);
    p.drawPolygon(QPolygon({QPoint(19, 1), QPoint(19, 7), QPoint(25, 7)}));
    // Lines of text on it.
    p.setPen(grey);
    for (int y = 10; y <= 16; y += 3) p.drawLine(7, y, 21, y);

    // The shackle of the lock.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(navy, 3));
    p.drawArc(QRect(14, 12, 12, 12), 0, 180 * 16);
    p.drawLine(14, 18, 14, 21);
    p.drawLine(26, 18, 26, 21);
    // Its body and keyhole.
    p.setPen(black);
    p.setBrush(olive);
    p.drawRect(10, 20, 20, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(yellow);
    p.drawRect(11, 21, 18, 4);
    p.setBrush(black);
    p.drawEllipse(QRect(18, 23, 4, 4));
    p.drawRect(19, 26, 2, 3);
    p.setPen(blue);
    p.drawPoint(12, 29);
    p.end();

    return QPixmap::fromImage(image);
}

}  // namespace

const QPixmap& program_icon() {
    static const QPixmap icon = draw_icon();
    return icon;
}

}  // namespace tarnvold::ui
