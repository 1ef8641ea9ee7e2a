#include "ui/qt/ip_address_edit.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace quelvar::ui::qt {

namespace {

constexpr int kFieldCount = 4;
constexpr int kFieldMaximum = 255;

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    // Looks like one entry field holding four numbers.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);

    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < kFieldCount; ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(validator);
        field->setMaxLength(3);
        // The control is one tab stop: Tab and Shift+Tab enter it at its first
        // number (Qt's focus chain asks the field itself, not the control,
        // whose focus goes to the first field), the others take clicks and the
        // moves within the control.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->setContextMenuPolicy(Qt::NoContextMenu);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { onEdited(i); });
        connect(field, &QLineEdit::textChanged, this, &IpAddressEdit::announceText);
        fields_[static_cast<std::size_t>(i)] = field;
        layout->addWidget(field, 1);
        if (i + 1 < kFieldCount) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot, 0);
        }
    }
    setFocusProxy(fields_[0]);
}

IpAddressEdit::Octets IpAddressEdit::octets() const {
    Octets result{};
    for (int i = 0; i < kFieldCount; ++i) {
        int value = field(i)->text().toInt();  // blank or unreadable: 0
        if (value > kFieldMaximum) value = kFieldMaximum;
        result[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
    }
    return result;
}

void IpAddressEdit::setOctets(const Octets& octets) {
    for (int i = 0; i < kFieldCount; ++i) {
        field(i)->setText(QString::number(octets[static_cast<std::size_t>(i)]));
    }
}

void IpAddressEdit::clear() {
    for (QLineEdit* f : fields_) f->clear();
}

bool IpAddressEdit::isBlank() const {
    for (QLineEdit* f : fields_) {
        if (!f->text().isEmpty()) return false;
    }
    return true;
}

QString IpAddressEdit::spokenText() const {
    if (isBlank()) return {};
    QStringList parts;
    for (QLineEdit* f : fields_) parts << f->text();
    return parts.join(QLatin1Char('.'));
}

void IpAddressEdit::announceText() {
    const QString now = spokenText();
    if (now == spokenBefore_) return;
    QAccessibleTextUpdateEvent event(this, 0, spokenBefore_, now);
    spokenBefore_ = now;
    QAccessible::updateAccessibility(&event);
}

int IpAddressEdit::indexOf(QObject* object) const {
    for (int i = 0; i < kFieldCount; ++i) {
        if (fields_[static_cast<std::size_t>(i)] == object) return i;
    }
    return -1;
}

void IpAddressEdit::focusField(int index, bool atEnd) {
    if (index < 0 || index >= kFieldCount) return;
    QLineEdit* target = field(index);
    target->setFocus(Qt::OtherFocusReason);
    if (atEnd) {
        target->end(false);
    } else {
        target->selectAll();
    }
}

void IpAddressEdit::onEdited(int index) {
    QLineEdit* f = field(index);
    const QString text = f->text();
    if (text.toInt() > kFieldMaximum) {
        f->setText(QString::number(kFieldMaximum));
    }
    // A full field hands the typing on to the next one.
    if (text.size() == 3 && f->cursorPosition() == 3) focusField(index + 1, false);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index >= 0 && event->type() == QEvent::FocusIn) {
        // A screen reader knows the control, not its four fields. Qt tells
        // of the field's focus after this event: the control's comes later
        // still, so that it is the one read.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!isAncestorOf(QApplication::focusWidget())) return;
                QAccessibleEvent focus(this, QAccessible::Focus);
                QAccessible::updateAccessibility(&focus);
            },
            Qt::QueuedConnection);
    }
    if (index < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* f = field(index);
    switch (key->key()) {
        case Qt::Key_Period:
        case Qt::Key_Comma:
            // The separator moves on once the field holds something, as the
            // separator does in a typed address.
            if (!f->text().isEmpty() && !f->hasSelectedText()) focusField(index + 1, false);
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Left:
            if (f->cursorPosition() == 0 && !f->hasSelectedText() && index > 0) {
                focusField(index - 1, true);
                return true;
            }
            break;
        case Qt::Key_Right:
            if (f->cursorPosition() == f->text().size() && !f->hasSelectedText() &&
                index + 1 < kFieldCount) {
                focusField(index + 1, false);
                field(index + 1)->home(false);
                return true;
            }
            break;
        case Qt::Key_Space:
            return true;  // never a part of an address
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace quelvar::ui::qt
