#include "ui/qt/qt_view.h"

#include <QListWidget>
#include <QProgressBar>

#include "ui/qt/ip_address_edit.h"
#include "ui/qt/log_window.h"

namespace quelvar::ui::qt {

using app::ControlId;

QtView::QtView(MainWindow& window, QString applicationName, Dialogs& dialogs)
    : GuiThreadCalls(window),
      window_(window),
      applicationName_(std::move(applicationName)),
      dialogs_(dialogs) {}

int QtView::listCount(ControlId list) {
    return onGui([&] {
        QListWidget* widget = window_.list(list);
        return widget == nullptr ? 0 : widget->count();
    });
}

void QtView::listAdd(ControlId list, const std::string& line) {
    onGuiVoid([&] {
        if (QListWidget* widget = window_.list(list)) {
            CoreUpdate guard(window_);
            widget->addItem(QString::fromStdString(line));
        }
    });
}

void QtView::listDelete(ControlId list, int index) {
    onGuiVoid([&] {
        QListWidget* widget = window_.list(list);
        if (widget == nullptr || index < 0 || index >= widget->count()) return;
        CoreUpdate guard(window_);
        delete widget->takeItem(index);
    });
}

int QtView::listSelection(ControlId list) {
    return onGui([&] {
        QListWidget* widget = window_.list(list);
        if (widget == nullptr) return -1;
        const QList<QListWidgetItem*> selected = widget->selectedItems();
        return selected.isEmpty() ? -1 : widget->row(selected.front());
    });
}

void QtView::setListSelection(ControlId list, int index) {
    onGuiVoid([&] {
        QListWidget* widget = window_.list(list);
        if (widget == nullptr) return;
        CoreUpdate guard(window_);
        if (index < 0 || index >= widget->count()) {
            widget->clearSelection();
            widget->setCurrentRow(-1);
        } else {
            widget->setCurrentRow(index);
        }
    });
}

std::string QtView::listText(ControlId list, int index) {
    return onGui([&] {
        QListWidget* widget = window_.list(list);
        if (widget == nullptr || index < 0 || index >= widget->count()) return std::string();
        return widget->item(index)->text().toStdString();
    });
}

void QtView::enable(ControlId control, bool enabled) {
    onGuiVoid([&] {
        if (QWidget* widget = window_.control(control)) widget->setEnabled(enabled);
    });
}

void QtView::show(ControlId control, bool visible) {
    onGuiVoid([&] {
        if (QWidget* widget = window_.control(control)) widget->setVisible(visible);
    });
}

platform::Ipv4Octets QtView::ipAddress() {
    return onGui([&] { return window_.ipAddressEdit()->octets(); });
}

void QtView::setIpAddress(const platform::Ipv4Octets& octets) {
    onGuiVoid([&] { window_.ipAddressEdit()->setOctets(octets); });
}

void QtView::clearIpAddress() {
    onGuiVoid([&] { window_.ipAddressEdit()->clear(); });
}

void QtView::setProgressRange(int lower, int upper) {
    onGuiVoid([&] { window_.progressBar()->setRange(lower, upper); });
}

void QtView::setProgress(int position) {
    onGuiVoid([&] { window_.progressBar()->setValue(position); });
}

void QtView::setText(ControlId control, const std::string& text) {
    onGuiVoid([&] { window_.setControlText(control, text); });
}

void QtView::showLog(const std::string& text) {
    onGuiVoid([&] {
        window_.setControlText(ControlId::ActivityLog, text);
        window_.scrollLogToEnd();
    });
}

void QtView::showDiagnostics(const std::vector<std::string>& lines) {
    QStringList shown;
    for (const std::string& line : lines) shown << QString::fromStdString(line);
    onGuiVoid([&] { window_.logWindow()->appendDiagnostics(shown); });
}

app::MessageAnswer QtView::messageBox(app::MessageKind kind, const std::string& text) {
    return onGui([&] { return dialogs_.message(&window_, applicationName_, kind, text); },
                 app::MessageAnswer::Cancel);
}

std::optional<std::filesystem::path> QtView::saveFileDialog(
    const app::SaveDialogRequest& request) {
    return onGui([&] { return dialogs_.saveFile(&window_, request); },
                 std::optional<std::filesystem::path>());
}

std::optional<std::filesystem::path> QtView::chooseFolder(const std::string& title,
                                                          const std::filesystem::path& current) {
    return onGui([&] { return dialogs_.folder(&window_, title, current); },
                 std::optional<std::filesystem::path>());
}

}  // namespace quelvar::ui::qt
