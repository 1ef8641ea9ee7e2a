#pragma once

#include <QStringList>
#include <QWidget>

#include "platform/language.h"

class QPlainTextEdit;

namespace quelvar::ui::qt {

// A separate, non-modal window that shows the activity log while the log
// control of the main window stays hidden. It has no parent window, so the
// modal boxes of an operation do not block it: the trace can be read and
// scrolled while the operation writes it.
class LogWindow : public QWidget {
    Q_OBJECT

  public:
    // Titled in the main window's language.
    LogWindow(platform::Language language, const QString& applicationName);

    // The log as it stands; a log emptied for a new operation takes the
    // diagnostics of the last one with it.
    void setLogText(const QString& text);
    // Lines shown below the log, without entering it: what the log's own
    // texts do not say (why a search found nothing, where a module came back).
    void appendDiagnostics(const QStringList& lines);
    void scrollToEnd();
    QString logText() const;

  private:
    void render();

    QPlainTextEdit* text_ = nullptr;
    QString log_;
    QStringList diagnostics_;
};

}  // namespace quelvar::ui::qt
