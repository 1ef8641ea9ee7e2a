#pragma once

#include <QStringList>
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
    // Lines shown below the log until it next changes, without entering it:
    // why a search found nothing, which the log's own text does not say.
    void appendDiagnostics(const QStringList& lines);
    void scrollToEnd();
    QString logText() const;

  private:
    QPlainTextEdit* text_ = nullptr;
};

}  // namespace quelvar::ui::qt
