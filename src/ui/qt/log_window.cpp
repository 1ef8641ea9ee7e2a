#include "ui/qt/log_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/dialog_template.h"

namespace quelvar::ui::qt {

LogWindow::LogWindow(platform::Language language, const QString& applicationName) {
    setWindowTitle(QString::fromStdString(
        app::ActivityLogWindowTitle(language, applicationName.toStdString())));
    setObjectName(QStringLiteral("activityLogWindow"));
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(520, 360);
}

void LogWindow::setLogText(const QString& text) {
    log_ = text;
    if (log_.isEmpty()) diagnostics_.clear();
    render();
}

void LogWindow::appendDiagnostics(const QStringList& lines) {
    diagnostics_ += lines;
    render();
    scrollToEnd();
}

void LogWindow::render() {
    if (diagnostics_.isEmpty()) {
        text_->setPlainText(log_);
        return;
    }
    // A blank line between the log's own text and what explains it.
    QString shown = log_;
    if (!shown.isEmpty() && !shown.endsWith(QLatin1Char('\n'))) shown += QLatin1Char('\n');
    if (!shown.isEmpty()) shown += QLatin1Char('\n');
    text_->setPlainText(shown + diagnostics_.join(QLatin1Char('\n')));
}

void LogWindow::scrollToEnd() {
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

QString LogWindow::logText() const {
    return text_->toPlainText();
}

}  // namespace quelvar::ui::qt
