#include "ui/qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <cmath>

#include "app/dialog_template.h"
#include "app/site_words.h"
#include "ui/qt/accessibility.h"
#include "ui/qt/enter_key.h"
#include "ui/qt/ip_address_edit.h"
#include "ui/qt/log_window.h"
#include "ui/qt/qt_front_end.h"

namespace quelvar::ui::qt {

using app::ControlKind;
using app::ControlId;
using platform::Language;

namespace {

// Fonts that carry Japanese glyphs, best first; the template's own font is
// not found on a free desktop.
const char* const kJapaneseFamilies[] = {
    "Noto Sans CJK JP", "Noto Sans JP", "Source Han Sans JP",  "IPAPGothic",        "IPAexGothic",
    "VL PGothic",       "TakaoPGothic", "Droid Sans Fallback", "WenQuanYi Zen Hei",
};

QFont dialogFont(Language language) {
    const app::DialogFont wanted = app::MainDialogFont(language);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QStringList families = QFontDatabase::families();
    const QString face = QString::fromUtf8(wanted.face);
    if (families.contains(face)) {
        font.setFamily(face);
    } else if (language == Language::Japanese) {
        for (const char* family : kJapaneseFamilies) {
            if (families.contains(QString::fromLatin1(family))) {
                font.setFamily(QString::fromLatin1(family));
                break;
            }
        }
    }
    font.setPointSize(wanted.pointSize);
    return font;
}

QRect pixelRect(const app::DialogRect& rect, const DialogMetrics& metrics) {
    return QRect(app::DialogUnitsToPixelsX(rect.x, metrics.averageCharWidth),
                 app::DialogUnitsToPixelsY(rect.y, metrics.charHeight),
                 app::DialogUnitsToPixelsX(rect.width, metrics.averageCharWidth),
                 app::DialogUnitsToPixelsY(rect.height, metrics.charHeight));
}

// The record folder is one long word on most systems; offering a break after
// each separator lets the label wrap it as the folder label always has.
QString withPathBreaks(const QString& path) {
    QString shown;
    shown.reserve(path.size() * 2);
    for (QChar c : path) {
        shown.append(c);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\')) shown.append(QChar(0x200B));
    }
    return shown;
}

// Captions are measured in the template's own font; a substitute font may draw
// some of them wider than their control. Such a caption gets a slightly smaller
// font instead of being cut off.
void fitCaption(QWidget* widget, const QString& caption, int padding) {
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    QFont font = widget->font();
    const double smallest = font.pointSizeF() - 2.0;
    for (int step = 0; step < 8; ++step) {
        if (QFontMetrics(font).horizontalAdvance(shown) + padding <= widget->width()) break;
        if (font.pointSizeF() - 0.5 < smallest) break;
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    if (font != widget->font()) widget->setFont(font);
}

bool isInputEvent(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

}  // namespace

DialogMetrics MetricsFor(Language language) {
    DialogMetrics metrics;
    metrics.font = dialogFont(language);
    const QFontMetrics fm(metrics.font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    metrics.averageCharWidth = (fm.horizontalAdvance(alphabet) + 26) / 52;
    metrics.charHeight = fm.height();
    return metrics;
}

QString DisplayedLogText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

MainWindow::MainWindow(Language language, const QString& caption, QWidget* parent)
    : QDialog(parent), language_(language), metrics_(MetricsFor(language)) {
    // A main window of its own, not a transient dialog: minimise box, close
    // box, no maximise box, fixed size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(caption);
    setWindowIcon(ApplicationIcon());
    setFont(metrics_.font);
    InstallAccessibleInterfaces();
    const app::DialogSize size = app::MainDialogSize(language);
    setFixedSize(app::DialogUnitsToPixelsX(size.width, metrics_.averageCharWidth),
                 app::DialogUnitsToPixelsY(size.height, metrics_.charHeight));

    buildControls();

    logWindow_ = std::make_unique<LogWindow>(language, caption);
    logWindow_->setWindowIcon(windowIcon());
    auto* logShortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+L")), this);
    logShortcut->setContext(Qt::WindowShortcut);
    connect(logShortcut, &QShortcut::activated, this, &MainWindow::showLogWindow);

    qApp->installEventFilter(this);
    if (QWidget* search = control(ControlId::Search)) search->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::buildControls() {
    const auto controls = app::MainDialogControls();
    std::vector<std::pair<QLabel*, std::size_t>> labelsWanting;  // label, index of itself

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const app::DialogControl& entry = controls[i];
        const QString caption = QString::fromUtf8(entry.caption(language_));
        const QRect rect = pixelRect(entry.rect(language_), metrics_);
        const auto id = static_cast<ControlId>(entry.id);
        QWidget* widget = nullptr;

        switch (entry.kind) {
            case ControlKind::PushButton: {
                auto* button = new QPushButton(caption, this);
                // Enter is handled by the window itself: see keyPressEvent.
                button->setAutoDefault(false);
                button->setDefault(false);
                button->setFocusPolicy(Qt::StrongFocus);
                // Qt would read "検索(&S)" as "検索(S)".
                button->setAccessibleName(SpokenCaption(caption));
                connect(button, &QPushButton::clicked, this, [this, id] {
                    if (!busy_) emit clicked(id);
                });
                widget = button;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(this);
                label->setTextFormat(Qt::PlainText);
                label->setText(caption);
                label->setAlignment((entry.rightAligned && language_ == Language::English
                                         ? Qt::AlignRight
                                         : Qt::AlignLeft) |
                                    Qt::AlignTop);
                if (entry.sunkenFrame) {
                    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                    label->setWordWrap(true);
                    label->setMargin(1);
                }
                if (entry.id == 0) {
                    plainLabels_.push_back(label);
                    if (caption.contains(QLatin1Char('&'))) labelsWanting.emplace_back(label, i);
                }
                widget = label;
                break;
            }
            case ControlKind::ListBox: {
                auto* list = new QListWidget(this);
                list->setSelectionMode(QAbstractItemView::SingleSelection);
                list->setSortingEnabled(false);
                list->setUniformItemSizes(true);
                list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                list->setEditTriggers(QAbstractItemView::NoEditTriggers);
                connect(list, &QListWidget::itemSelectionChanged, this,
                        [this, id] { notifyList(id, app::Notification::SelectionChanged); });
                widget = list;
                break;
            }
            case ControlKind::GroupBox:
                widget = new QGroupBox(caption, this);
                break;
            case ControlKind::IpAddress:
                ipAddress_ = new IpAddressEdit(this);
                widget = ipAddress_;
                break;
            case ControlKind::Edit: {
                log_ = new QPlainTextEdit(this);
                log_->setReadOnly(true);
                log_->setLineWrapMode(QPlainTextEdit::NoWrap);
                log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                log_->setFocusPolicy(Qt::NoFocus);
                widget = log_;
                break;
            }
            case ControlKind::ProgressBar:
                progress_ = new QProgressBar(this);
                progress_->setTextVisible(false);
                progress_->setRange(0, 100);
                progress_->setValue(0);
                // Unlabelled on the screen; the Site table's column of bars has the word.
                progress_->setAccessibleName(
                    QString::fromUtf8(app::SiteText(app::SiteWord::ColumnProgress, language_)));
                widget = progress_;
                break;
        }

        widget->setGeometry(rect);
        if (entry.kind == ControlKind::PushButton) fitCaption(widget, caption, 8);
        if (entry.kind == ControlKind::Label && entry.id == 0) fitCaption(widget, caption, 0);
        if (entry.hiddenAtStart) widget->hide();
        if (entry.id != 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(entry.id));
            controls_[id] = widget;
        }
    }

    // A label's mnemonic moves the focus to the next control that takes it,
    // as a label in front of a control always has; a screen reader names
    // the control after it.
    for (const auto& [label, index] : labelsWanting) {
        for (std::size_t next = index + 1; next < controls.size(); ++next) {
            if (controls[next].tabStop) {
                QWidget* buddy = control(static_cast<ControlId>(controls[next].id));
                label->setBuddy(buddy);
                nameAfterLabel(buddy, *label);
                break;
            }
        }
    }
}

void MainWindow::nameAfterLabel(QWidget* buddy, const QLabel& label) {
    NameAfterLabel(buddy, label);
    const QString name = buddy->accessibleName();
    if (buddy == ipAddress_) {
        // Its fields still tell of their own focus; they go by the same name.
        for (int i = 0; i < 4; ++i) ipAddress_->field(i)->setAccessibleName(name);
    } else if (auto* button = qobject_cast<QAbstractButton*>(buddy)) {
        // The folder's "..." says nothing by itself: its label says what it chooses.
        button->setAccessibleName(name + QLatin1Char(' ') + button->text());
    }
}

QWidget* MainWindow::control(ControlId id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QListWidget* MainWindow::list(ControlId id) const {
    return qobject_cast<QListWidget*>(control(id));
}

QAbstractButton* MainWindow::button(ControlId id) const {
    return qobject_cast<QAbstractButton*>(control(id));
}

std::string MainWindow::controlText(ControlId id) const {
    auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

void MainWindow::setControlText(ControlId id, const std::string& text) {
    QWidget* widget = control(id);
    if (widget == nullptr) return;
    texts_[id] = text;
    if (widget == log_) {
        // The whole log comes with every line added: convert it once for both views.
        const QString displayed = DisplayedLogText(text);
        log_->setPlainText(displayed);
        logWindow_->setLogText(displayed);
        return;
    }
    const QString shown = QString::fromStdString(text);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(id == ControlId::RecordFolderLabel ? withPathBreaks(shown) : shown);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(shown);
        button->setAccessibleName(SpokenCaption(shown));
    }
}

void MainWindow::scrollLogToEnd() {
    log_->verticalScrollBar()->setValue(log_->verticalScrollBar()->maximum());
    logWindow_->scrollToEnd();
}

void MainWindow::showLogWindow() {
    logWindow_->show();
    logWindow_->raise();
    logWindow_->activateWindow();
}

void MainWindow::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    // The busy cursor shows over this window only (not application-wide), so
    // the activity log window keeps its own cursor for reading and copying.
    // Widgets with a cursor of their own (the address fields' I-beam) would
    // hide it, so they wear it too until the operation ends.
    if (busy) {
        ownCursors_.clear();
        for (QWidget* child : findChildren<QWidget*>()) {
            if (child->testAttribute(Qt::WA_SetCursor)) ownCursors_.emplace_back(child, child->cursor());
        }
        setCursor(Qt::BusyCursor);
        for (auto& [child, cursor] : ownCursors_) child->setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
        for (auto& [child, cursor] : ownCursors_) {
            if (child) child->setCursor(cursor);
        }
        ownCursors_.clear();
    }
}

void MainWindow::notifyList(ControlId id, app::Notification notification) {
    if (busy_ || coreUpdates_ > 0) return;
    emit listNotified(id, notification);
}

void MainWindow::reject() {
    // Esc ends the program at once, but never in the middle of an operation.
    if (busy_) return;
    QDialog::reject();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (PressFocusedButtonOnEnter(*this, *event)) return;
    QDialog::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (ControlId id : {ControlId::DeviceList, ControlId::FileList}) {
            if (watched == control(id)) notifyList(id, app::Notification::FocusGained);
        }
    }
    if (busy_ && watched->isWidgetType() && isInputEvent(event->type()) &&
        static_cast<QWidget*>(watched)->window() == this) {
        return true;  // the operation in progress owns the window
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quelvar::ui::qt
