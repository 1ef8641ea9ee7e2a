#pragma once

#include <QString>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/view.h"

class QFileDialog;
class QMessageBox;
class QWidget;

namespace quelvar::ui::qt {

// The modal boxes and dialogs of the window. Each is built by a configure*
// function (so tests can inspect exactly what the user would see) and shown
// by a show* function, modal to the main window.
//
// Test seam: before showing anything, each show* function looks at the
// pending answers of its kind below. When one is queued, it is taken from the
// front and returned at once and no window is shown, so a test can drive an
// operation that asks the user without anybody at the screen. Every box and
// dialog asked for is also recorded, answered from the queue or not. Used
// only on the GUI thread.
class DialogAnswers {
  public:
    struct Message {
        platform::MessageKind kind;
        std::string text;
    };
    struct FolderRequest {
        std::string title;
        std::filesystem::path current;
    };

    static void setNextMessageAnswer(platform::MessageAnswer answer);
    // nullopt answers a cancel.
    static void setNextSaveFile(std::optional<std::filesystem::path> path);
    static void setNextFolder(std::optional<std::filesystem::path> path);
    // Forgets pending answers and what was recorded.
    static void reset();

    static const std::vector<Message>& messages();
    static const std::vector<platform::SaveDialogRequest>& saveRequests();
    static const std::vector<FolderRequest>& folderRequests();
};

// A message box of one of the three kinds, with the application name as caption.
void configureMessageBox(QMessageBox& box, const QString& caption, platform::MessageKind kind,
                         const std::string& text);
platform::MessageAnswer showMessageBox(QWidget* owner, const QString& caption,
                                       platform::MessageKind kind, const std::string& text);

// The save dialog: default name and extension, the filters in order with the
// first in effect, the initial folder, and a question before replacing a file.
void configureSaveDialog(QFileDialog& dialog, const platform::SaveDialogRequest& request);
std::optional<std::filesystem::path> showSaveDialog(QWidget* owner,
                                                    const platform::SaveDialogRequest& request);

// The folder chooser: opens on the current folder and has a field in which a
// folder may also be typed.
void configureFolderChooser(QFileDialog& dialog, const std::string& title,
                            const std::filesystem::path& current);
std::optional<std::filesystem::path> showFolderChooser(QWidget* owner, const std::string& title,
                                                       const std::filesystem::path& current);

// "Setup record files(*.rec)" with "*.rec" becomes a filter Qt understands
// while the user still reads the description as given.
QString QtNameFilter(const platform::FileFilter& filter);

}  // namespace quelvar::ui::qt
