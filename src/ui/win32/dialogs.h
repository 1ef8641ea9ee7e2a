#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/view.h"

namespace quelvar::ui::win32 {

// The modal boxes and dialogs of the window, each modal to `owner` and shown
// on the calling thread, which must be the window's thread.

// A message box of one of the three kinds, with the application name as caption.
app::MessageAnswer showMessageBox(HWND owner, const std::wstring& caption,
                                       app::MessageKind kind, const std::string& text);

// The common save dialog: default name and extension, the filters in order
// with the first in effect, the initial folder, the question before replacing.
std::optional<std::filesystem::path> showSaveDialog(HWND owner,
                                                    const app::SaveDialogRequest& request);

// The common open dialog for one existing file: the title, the filters in
// order with the first in effect, the initial folder. nullopt when cancelled.
std::optional<std::filesystem::path> showOpenDialog(HWND owner, const std::string& title,
                                                    const std::vector<app::FileFilter>& filters,
                                                    const std::filesystem::path& initialFolder);

// The shell's folder browser, opening on the current folder, with a field in
// which a folder may also be typed. nullopt when cancelled or when the chosen
// item is not a file-system folder.
std::optional<std::filesystem::path> showFolderChooser(HWND owner, const std::string& title,
                                                       const std::filesystem::path& current);

// The message-box style of each kind.
UINT MessageBoxStyle(app::MessageKind kind);

// "Description\0pattern\0...\0\0", the filter format of the common dialogs.
std::wstring CommonDialogFilter(const std::vector<app::FileFilter>& filters);

}  // namespace quelvar::ui::win32
