// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/keyboard.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPen>
#include <QProxyStyle>
#include <QSet>
#include <QStyleOptionMenuItem>

namespace tarnvold::ui {

namespace {

// The caption an entry was given, kept beside the text with its mark.
constexpr char kCaption[] = "tarnvold_caption";

QString caption_of(const QAction* action) {
    const QVariant kept = action->property(kCaption);
    // A text set since the last run is the caption itself.
    if (kept.isValid() && action->text() == action->property("tarnvold_marked").toString()) return kept.toString();
    return action->text();
}

// The caption with "&" before the character at `at` (-1: none), every "&"
// of the caption itself doubled.
QString marked(const QString& caption, qsizetype at) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (i == at) out += QLatin1Char('&');
        out += caption[i];
        if (caption[i] == QLatin1Char('&')) out += QLatin1Char('&');
    }
    return out;
}

// Where the mnemonic of `caption` goes, given the keys already taken in its
// menu: a word's first letter first, then any letter or digit.
qsizetype choose(const QString& caption, QSet<QString>& taken) {
    auto usable = [&](qsizetype i) {
        const QChar c = caption[i];
        return c.isLetterOrNumber() && !taken.contains(QString(c).toCaseFolded());
    };
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const bool word_start = i == 0 || !caption[i - 1].isLetterOrNumber();
            if ((pass == 0 && !word_start) || !usable(i)) continue;
            taken.insert(QString(caption[i]).toCaseFolded());
            return i;
        }
    }
    return -1;
}

void assign(const QList<QAction*>& actions) {
    QSet<QString> taken;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QString caption = caption_of(action);
        const QString text = marked(caption, caption.isEmpty() ? -1 : choose(caption, taken));
        action->setProperty(kCaption, caption);
        action->setProperty("tarnvold_marked", text);
        action->setText(text);
        if (QMenu* sub = action->menu()) assign(sub->actions());
    }
}

class KeyboardStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    // The bar's entry that the keyboard is on, with no menu open (after F10
    // or Alt alone), is drawn as highlighted as an open one: some styles
    // highlight only an entry whose menu is open, which leaves no sign of
    // where the keyboard is.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && widget != nullptr && widget->hasFocus() && (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem copy(*item);
                copy.state |= State_Sunken;
                QProxyStyle::drawControl(element, &copy, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override {
        if (hint == SH_MenuBar_AltKeyNavigation || hint == SH_UnderlineShortcut) return 1;
        return QProxyStyle::styleHint(hint, option, widget, data);
    }
};

}  // namespace

void assign_mnemonics(QMenuBar* bar) { assign(bar->actions()); }

QStringList with_mnemonics(const QStringList& captions) {
    QSet<QString> taken;
    QStringList out;
    for (const QString& caption : captions) out << marked(caption, caption.isEmpty() ? -1 : choose(caption, taken));
    return out;
}

QString without_mnemonic(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

void focus_menu_bar(QMenuBar* bar) {
    if (bar == nullptr || !bar->isVisible() || bar->activeAction() != nullptr) return;
    QAction* first = nullptr;
    for (QAction* a : bar->actions())
        if (a->isVisible() && !a->isSeparator()) {
            first = a;
            break;
        }
    if (first == nullptr) return;
    // The bar's keyboard mode has no entry of its own: opening the first
    // menu and closing it with Escape leaves the bar in that mode, its first
    // entry highlighted, as Alt alone does.
    bar->setActiveAction(first);
    if (QMenu* menu = first->menu(); menu != nullptr && menu->isVisible()) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &escape);
    }
}

void install_keyboard_style() {
    if (dynamic_cast<KeyboardStyle*>(QApplication::style()) != nullptr) return;
    QApplication::setStyle(new KeyboardStyle);
}

FocusMark::FocusMark(QWidget* parent, const QList<QWidget*>& watched) : QWidget(parent), watched_(watched) {
    setObjectName("FocusMark");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    for (QWidget* w : watched_) w->installEventFilter(this);
}

bool FocusMark::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::FocusIn: follow(w); break;
    case QEvent::FocusOut:
    case QEvent::Hide:
        if (w == target_) follow(nullptr);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (w == target_) follow(w);
        break;
    default: break;
    }
    return false;
}

void FocusMark::follow(QWidget* target) {
    target_ = target;
    if (target == nullptr) {
        hide();
        return;
    }
    setGeometry(target->geometry().adjusted(-2, -2, 2, 2));
    raise();
    show();
    update();
}

void FocusMark::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

}  // namespace tarnvold::ui
