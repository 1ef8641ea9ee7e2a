#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/view.h"

namespace quelvar::ui::win32 {

// The modal boxes and dialogs of the window, each modal to `owner` and shown
// on the calling thread, which must be the window's thread.

// A message box of one of the three kinds, with the application name as caption.
platform::MessageAnswer showMessageBox(HWND owner, const std::wstring& caption,
                                       platform::MessageKind kind, const std::string& text);

// The common save dialog: default name and extension, the filters in order
// with the first in effect, the initial folder, the question before replacing.
std::optional<std::filesystem::path> showSaveDialog(HWND owner,
                                                    const platform::SaveDialogRequest& request);

// The shell's folder browser, opening on the current folder, with a field in
// which a folder may also be typed. nullopt when cancelled or when the chosen
// item is not a file-system folder.
std::optional<std::filesystem::path> showFolderChooser(HWND owner, const std::string& title,
                                                       const std::filesystem::path& current);

// The message-box style of each kind.
UINT MessageBoxStyle(platform::MessageKind kind);

// "Description\0pattern\0...\0\0", the filter format of the common dialogs.
std::wstring CommonDialogFilter(const std::vector<platform::FileFilter>& filters);

}  // namespace quelvar::ui::win32
