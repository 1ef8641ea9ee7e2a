#include "ui/qt/accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "ui/qt/ip_address_edit.h"

namespace quelvar::ui::qt {

namespace {

// Marks the labels MarkAsStatusLine made status lines.
constexpr char kStatusLineProperty[] = "quelvarStatusLine";

// The IP address control as one text field holding the whole address: its
// four numbers and three dots are an arrangement for the eye, and a screen
// reader that walked them would read four unnamed fields of a number each.
class IpAddressAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit IpAddressAccessible(IpAddressEdit* edit)
        : QAccessibleWidget(edit, QAccessible::EditableText) {}

    IpAddressEdit* edit() const { return static_cast<IpAddressEdit*>(widget()); }

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return edit()->spokenText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.focusable = true;
        state.focused = fieldWithFocus() >= 0;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The text: read-only here, the fields take the typing.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override {
        // Where the caret is in the whole address, so that reading by
        // character starts where the user types.
        const int focused = fieldWithFocus();
        if (focused < 0) return 0;
        int offset = 0;
        for (int i = 0; i < focused; ++i) offset += static_cast<int>(edit()->field(i)->text().size()) + 1;
        return offset + edit()->field(focused)->cursorPosition();
    }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        const QString all = edit()->spokenText();
        if (end < 0 || end > all.size()) end = static_cast<int>(all.size());
        if (start < 0 || start > end) return {};
        return all.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(edit()->spokenText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return {};
    }

  private:
    int fieldWithFocus() const {
        const QWidget* focus = QApplication::focusWidget();
        for (int i = 0; i < 4; ++i) {
            if (edit()->field(i) == focus) return i;
        }
        return -1;
    }
};

// A status line: its text is what it says, so it is its name; QLabel tells
// of every new text as a change of name.
class StatusLineAccessible : public QAccessibleWidget {
  public:
    explicit StatusLineAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* describeControl(const QString&, QObject* object) {
    if (auto* edit = qobject_cast<IpAddressEdit*>(object)) return new IpAddressAccessible(edit);
    if (auto* label = qobject_cast<QLabel*>(object);
        label != nullptr && label->property(kStatusLineProperty).toBool()) {
        return new StatusLineAccessible(label);
    }
    return nullptr;
}

}  // namespace

QString SpokenCaption(const QString& caption) {
    QString spoken = caption;
    // The Japanese form puts the key in parentheses after the caption.
    static const QRegularExpression keyInParentheses(QStringLiteral("\\(&.\\)"));
    spoken.remove(keyInParentheses);
    QString result;
    for (qsizetype i = 0; i < spoken.size(); ++i) {
        // "&&" is a written ampersand; a single one marks the next letter.
        if (spoken[i] == QLatin1Char('&')) {
            if (i + 1 < spoken.size() && spoken[i + 1] == QLatin1Char('&')) {
                result.append(QLatin1Char('&'));
                ++i;
            }
            continue;
        }
        result.append(spoken[i]);
    }
    result = result.trimmed();
    while (result.endsWith(QLatin1Char(':')) || result.endsWith(QChar(0xFF1A))) result.chop(1);
    return result.trimmed();
}

void NameAfterLabel(QWidget* control, const QLabel& label) {
    control->setAccessibleName(SpokenCaption(label.text()));
}

void MarkAsStatusLine(QLabel& label) { label.setProperty(kStatusLineProperty, true); }

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(&describeControl);
        return true;
    }();
    (void)installed;
}

}  // namespace quelvar::ui::qt
