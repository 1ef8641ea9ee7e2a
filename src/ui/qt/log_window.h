#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace quelvar::ui::qt {

// A separate, non-modal window that shows the activity log while the log
// control of the main window stays hidden. It has no parent window, so the
// modal boxes of an operation do not block it: the trace can be read and
// scrolled while the operation writes it.
class LogWindow : public QWidget {
    Q_OBJECT

  public:
    explicit LogWindow(const QString& applicationName);

    void setLogText(const QString& text);
    void scrollToEnd();
    QString logText() const;

  private:
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace quelvar::ui::qt
