#include "ui/win32/dialogs.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "platform/utf8.h"

namespace quelvar::ui::win32 {

using app::MessageAnswer;
using app::MessageKind;

UINT MessageBoxStyle(MessageKind kind) {
    switch (kind) {
        case MessageKind::Confirmation:
            // Cancel is the default: Enter alone never confirms a change to a module.
            return MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2;
        case MessageKind::Warning:
            return MB_OK | MB_ICONEXCLAMATION;
        case MessageKind::ResultText:
            break;
    }
    return MB_OK;
}

MessageAnswer showMessageBox(HWND owner, const std::wstring& caption, MessageKind kind,
                             const std::string& text) {
    const int answer = ::MessageBoxW(owner, platform::wideFromUtf8(text).c_str(), caption.c_str(),
                                     MessageBoxStyle(kind));
    return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::wstring CommonDialogFilter(const std::vector<app::FileFilter>& filters) {
    std::wstring filter;
    for (const app::FileFilter& entry : filters) {
        filter += platform::wideFromUtf8(entry.description);
        filter += L'\0';
        filter += platform::wideFromUtf8(entry.pattern);
        filter += L'\0';
    }
    filter += L'\0';
    return filter;
}

namespace {

// What the save and the open dialog share: their owner, the filters with the
// first in effect, the buffer for the file's name and the folder to open on.
OPENFILENAMEW FileDialogOf(HWND owner, const std::wstring& filter, std::vector<wchar_t>& file,
                           const std::wstring& folder) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    return dialog;
}

}  // namespace

std::optional<std::filesystem::path> showSaveDialog(HWND owner,
                                                    const app::SaveDialogRequest& request) {
    // Long paths are fine: the buffer is as long as any Windows path can be.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring filter = CommonDialogFilter(request.filters);
    const std::wstring extension = platform::wideFromUtf8(request.defaultExtension);
    const std::wstring folder = request.initialFolder.wstring();

    for (bool withName : {true, false}) {
        std::fill(file.begin(), file.end(), L'\0');
        if (withName) {
            const std::wstring name = platform::wideFromUtf8(request.defaultName);
            name.copy(file.data(), std::min(name.size(), file.size() - 1));
        }
        OPENFILENAMEW dialog = FileDialogOf(owner, filter, file, folder);
        dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
        dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                       (request.overwritePrompt ? OFN_OVERWRITEPROMPT : 0);
        if (::GetSaveFileNameW(&dialog)) return std::filesystem::path(file.data());
        // A proposed name the file system refuses keeps the dialog from
        // opening at all; offer it once more without the name.
        if (!withName || ::CommDlgExtendedError() != FNERR_INVALIDFILENAME) break;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> showOpenDialog(HWND owner, const std::string& title,
                                                    const std::vector<app::FileFilter>& filters,
                                                    const std::filesystem::path& initialFolder) {
    // As long as any Windows path can be, as in the save dialog.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring filter = CommonDialogFilter(filters);
    const std::wstring folder = initialFolder.wstring();
    const std::wstring caption = platform::wideFromUtf8(title);
    OPENFILENAMEW dialog = FileDialogOf(owner, filter, file, folder);
    dialog.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
    return std::filesystem::path(file.data());
}

namespace {

// Opens the browser on the current folder once it has been built.
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

std::optional<std::filesystem::path> showFolderChooser(HWND owner, const std::string& title,
                                                       const std::filesystem::path& current) {
    std::wstring start = current.wstring();
    // The browser selects a folder by its name without the trailing separator.
    while (start.size() > 3 && (start.back() == L'\\' || start.back() == L'/')) start.pop_back();
    const std::wstring instruction = platform::wideFromUtf8(title);
    wchar_t displayName[MAX_PATH] = {};

    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.pszDisplayName = displayName;
    request.lpszTitle = instruction.c_str();
    // The resizable browser of current Windows, with the field for typing a folder.
    request.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_STATUSTEXT;
    request.lpfn = browseCallback;
    request.lParam = reinterpret_cast<LPARAM>(start.c_str());

    PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&request);
    if (item == nullptr) return std::nullopt;
    std::optional<std::filesystem::path> chosen;
    // Room for a long path; the classic call assumes MAX_PATH.
    std::vector<wchar_t> path(32768, L'\0');
    if (::SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) {
        chosen = std::filesystem::path(path.data());
    }
    ::CoTaskMemFree(item);
    return chosen;
}

}  // namespace quelvar::ui::win32
