#include "ui/qt/log_window.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quelvar::ui::qt {

LogWindow::LogWindow(const QString& applicationName) {
    setWindowTitle(QStringLiteral("Activity log - %1").arg(applicationName));
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
    text_->setPlainText(text);
}

void LogWindow::appendDiagnostics(const QStringList& lines) {
    for (const QString& line : lines) text_->appendPlainText(line);
    scrollToEnd();
}

void LogWindow::scrollToEnd() {
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

QString LogWindow::logText() const {
    return text_->toPlainText();
}

}  // namespace quelvar::ui::qt
