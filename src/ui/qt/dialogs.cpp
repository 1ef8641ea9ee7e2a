#include "ui/qt/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace quelvar::ui::qt {

using app::MessageAnswer;
using app::MessageKind;

namespace {

// An operation shows the busy cursor over the window; inside its boxes the
// user gets the ordinary pointer back.
class ArrowCursorWhileShown {
  public:
    ArrowCursorWhileShown() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursorWhileShown() { QApplication::restoreOverrideCursor(); }
    ArrowCursorWhileShown(const ArrowCursorWhileShown&) = delete;
    ArrowCursorWhileShown& operator=(const ArrowCursorWhileShown&) = delete;
};

// Shows a box or dialog modal to its owner, or to the whole program without one.
int execModal(QDialog& dialog, QWidget* owner) {
    dialog.setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    ArrowCursorWhileShown arrow;
    return dialog.exec();
}

// The file or folder the user accepted; nullopt for a cancel.
std::optional<std::filesystem::path> execFileDialog(QFileDialog& dialog, QWidget* owner) {
    if (execModal(dialog, owner) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return std::filesystem::path(chosen.front().toStdString());
}

}  // namespace

void configureMessageBox(QMessageBox& box, const QString& caption, MessageKind kind,
                         const std::string& text) {
    box.setWindowTitle(caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    switch (kind) {
        case MessageKind::Confirmation:
            // Cancel is the default, so a hasty Enter or Esc changes nothing.
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageKind::Warning:
        case MessageKind::ResultText:
            box.setIcon(kind == MessageKind::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Ok);
            break;
    }
}

Dialogs& DesktopDialogs() {
    static Dialogs dialogs;
    return dialogs;
}

MessageAnswer Dialogs::message(QWidget* owner, const QString& caption, MessageKind kind,
                               const std::string& text) {
    QMessageBox box(owner);
    configureMessageBox(box, caption, kind, text);
    execModal(box, owner);
    return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::Ok
                                                              : MessageAnswer::Cancel;
}

QString QtNameFilter(const app::FileFilter& filter) {
    // The description is shown as it is written; the pattern in the last
    // parentheses is what the dialog matches with. "*.*" means every file, as
    // it does on the desktop the filter texts come from.
    const QString pattern =
        filter.pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.pattern);
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(filter.description), pattern);
}

void configureSaveDialog(QFileDialog& dialog, const app::SaveDialogRequest& request) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    // Shows each description exactly as written, without the pattern added above.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const app::FileFilter& filter : request.filters) filters << QtNameFilter(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    dialog.setDirectory(QString::fromStdString(request.initialFolder.string()));
    dialog.selectFile(QString::fromStdString(request.defaultName));
}

std::optional<std::filesystem::path> Dialogs::saveFile(QWidget* owner,
                                                       const app::SaveDialogRequest& request) {
    QFileDialog dialog(owner);
    configureSaveDialog(dialog, request);
    return execFileDialog(dialog, owner);
}

void configureFolderChooser(QFileDialog& dialog, const std::string& title,
                            const std::filesystem::path& current) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setWindowTitle(QString::fromStdString(title));
    // The chooser opens on the current folder; accepting at once keeps it.
    dialog.setDirectory(QString::fromStdString(current.string()));
}

std::optional<std::filesystem::path> Dialogs::folder(QWidget* owner, const std::string& title,
                                                     const std::filesystem::path& current) {
    QFileDialog dialog(owner);
    configureFolderChooser(dialog, title, current);
    return execFileDialog(dialog, owner);
}

void configureOpenDialog(QFileDialog& dialog, const std::string& title,
                         const std::vector<app::FileFilter>& filters,
                         const std::filesystem::path& initialFolder) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowTitle(QString::fromStdString(title));
    QStringList names;
    for (const app::FileFilter& filter : filters) names << QtNameFilter(filter);
    dialog.setNameFilters(names);
    if (!names.isEmpty()) dialog.selectNameFilter(names.front());
    if (!initialFolder.empty()) dialog.setDirectory(QString::fromStdString(initialFolder.string()));
}

std::optional<std::filesystem::path> Dialogs::openFile(QWidget* owner, const std::string& title,
                                                       const std::vector<app::FileFilter>& filters,
                                                       const std::filesystem::path& initialFolder) {
    QFileDialog dialog(owner);
    configureOpenDialog(dialog, title, filters, initialFolder);
    return execFileDialog(dialog, owner);
}

}  // namespace quelvar::ui::qt
