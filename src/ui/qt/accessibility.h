#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace quelvar::ui::qt {

// What a screen reader is told about the windows' own controls, beyond what
// Qt says of a standard widget by itself.

// A caption as it is spoken: without its access key ("&Search", "検索(&S)")
// and without the colon that ends a label.
QString SpokenCaption(const QString& caption);

// Names a control after the label that stands before it. Qt names a text
// field by its label's buddy, but not a list, a table or a composite control.
void NameAfterLabel(QWidget* control, const QLabel& label);

// Makes a label the window's status line: read as a status bar, its text
// as its name, so that a change of text is announced as a change of name.
void MarkAsStatusLine(QLabel& label);

// Installs, once per program, the accessible descriptions of the controls
// Qt does not describe well by itself (the IP address control, status lines).
void InstallAccessibleInterfaces();

}  // namespace quelvar::ui::qt
