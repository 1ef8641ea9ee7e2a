#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

namespace quelvar::ui::qt {

// The windows have no default button: Enter presses the push button that has
// the focus and does nothing anywhere else (lists, tables, fields), so a
// typed path or address never starts anything. True when the key was Enter
// and is taken.
inline bool PressFocusedButtonOnEnter(QWidget& window, QKeyEvent& event) {
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    if (!enter || (event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        focused != nullptr && focused->window() == &window && focused->isEnabled()) {
        focused->animateClick();
    }
    event.accept();
    return true;
}

}  // namespace quelvar::ui::qt
