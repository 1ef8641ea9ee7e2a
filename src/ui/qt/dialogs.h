#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/view.h"

class QFileDialog;
class QMessageBox;
class QWidget;

namespace quelvar::ui::qt {

// The modal boxes and dialogs of the window, each modal to its owner. The
// configure* functions build exactly what the user sees; this class shows
// them. Tests put a scripted subclass in its place.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual app::MessageAnswer message(QWidget* owner, const QString& caption,
                                       app::MessageKind kind, const std::string& text);
    // nullopt for a cancel.
    virtual std::optional<std::filesystem::path> saveFile(QWidget* owner,
                                                          const app::SaveDialogRequest& request);
    virtual std::optional<std::filesystem::path> folder(QWidget* owner, const std::string& title,
                                                        const std::filesystem::path& current);
    // An existing file; nullopt for a cancel.
    virtual std::optional<std::filesystem::path> openFile(QWidget* owner, const std::string& title,
                                                          const std::vector<app::FileFilter>& filters,
                                                          const std::filesystem::path& initialFolder);
};

// The dialogs as the user sees them.
Dialogs& DesktopDialogs();

// A message box of one of the three kinds, with the application name as caption.
void configureMessageBox(QMessageBox& box, const QString& caption, app::MessageKind kind,
                         const std::string& text);

// The save dialog: default name and extension, the filters in order with the
// first in effect, the initial folder, and a question before replacing a file.
void configureSaveDialog(QFileDialog& dialog, const app::SaveDialogRequest& request);

// The folder chooser: opens on the current folder and has a field in which a
// folder may also be typed.
void configureFolderChooser(QFileDialog& dialog, const std::string& title,
                            const std::filesystem::path& current);

// The open dialog: only an existing file is accepted, the filters in order
// with the first in effect, opening on the initial folder.
void configureOpenDialog(QFileDialog& dialog, const std::string& title,
                         const std::vector<app::FileFilter>& filters,
                         const std::filesystem::path& initialFolder);

// "Setup record files(*.rec)" with "*.rec" becomes a filter Qt understands
// while the user still reads the description as given.
QString QtNameFilter(const app::FileFilter& filter);

}  // namespace quelvar::ui::qt
