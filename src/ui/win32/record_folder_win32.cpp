#include "ui/win32/record_folder_win32.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <string>

#include "app/init_dlg.h"
#include "platform/utf8.h"
#include "records/file_list.h"

namespace quelvar::ui::win32 {

namespace {

// The path as Windows would compare it: long names, one kind of separator,
// no trailing separator except a drive root's.
std::wstring comparable(const std::filesystem::path& path) {
    std::wstring text = path.native();
    const DWORD length = ::GetLongPathNameW(text.c_str(), nullptr, 0);
    if (length > 0) {
        std::wstring longName(length, L'\0');
        const DWORD written = ::GetLongPathNameW(text.c_str(), longName.data(), length);
        if (written > 0 && written < length) {
            longName.resize(written);
            text = std::move(longName);
        }
    }
    text = std::filesystem::path(text).lexically_normal().native();
    while (text.size() > 3 && text.back() == L'\\') text.pop_back();
    return text;
}

// `flags`: KF_FLAG_DONT_VERIFY for a folder that need not exist yet (the
// user's Programs folder appears with the first program installed there).
std::optional<std::filesystem::path> knownFolder(REFKNOWNFOLDERID id, DWORD flags = 0) {
    PWSTR text = nullptr;
    std::optional<std::filesystem::path> folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, flags, nullptr, &text)) && text != nullptr &&
        *text != L'\0') {
        folder = std::filesystem::path(text);
    }
    ::CoTaskMemFree(text);
    return folder;
}

// Where the installer put the program for this user, if it did.
std::optional<std::filesystem::path> recordedInstallFolder() {
    const wchar_t* key = L"Software\\QUELVARinit";
    const wchar_t* value = L"InstallFolder";
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size < sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(HKEY_CURRENT_USER, key, value, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(::wcsnlen(text.c_str(), text.size()));
    if (text.empty()) return std::nullopt;
    return std::filesystem::path(text);
}

bool isFolder(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool IsInsideAnyFolder(const std::filesystem::path& folder,
                       const std::vector<std::filesystem::path>& roots) {
    const std::wstring inner = comparable(folder);
    for (const std::filesystem::path& root : roots) {
        const std::wstring outer = comparable(root);
        if (outer.empty() || inner.size() < outer.size()) continue;
        const int length = static_cast<int>(outer.size());
        if (::CompareStringOrdinal(inner.c_str(), length, outer.c_str(), length, TRUE) !=
            CSTR_EQUAL) {
            continue;
        }
        // "C:\Programs" is not inside "C:\Program"; a drive root holds everything on it.
        if (inner.size() == outer.size() || inner[outer.size()] == L'\\' || outer.back() == L'\\') {
            return true;
        }
    }
    return false;
}

std::vector<std::filesystem::path> InstalledProgramLocations() {
    std::vector<std::filesystem::path> locations;
    for (REFKNOWNFOLDERID id :
         {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_UserProgramFiles}) {
        if (auto folder = knownFolder(id, KF_FLAG_DONT_VERIFY))
            locations.push_back(std::move(*folder));
    }
    // The user's Programs folder is LocalAppData\Programs where the system
    // does not name it (Wine).
    if (auto local = knownFolder(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY)) {
        locations.push_back(*local / L"Programs");
    }
    if (auto folder = recordedInstallFolder()) locations.push_back(std::move(*folder));
    return locations;
}

bool IsWritableFolder(const std::filesystem::path& folder) {
    // Only trying tells: the folder's attributes say nothing about the user's
    // rights, and its access list would have to be evaluated against the
    // user's token to say as much.
    const std::wstring prefix =
        L".quelvar-write-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
    for (unsigned attempt = 0; attempt < 10; ++attempt) {
        const std::filesystem::path probe = folder / (prefix + std::to_wstring(attempt));
        HANDLE handle = ::CreateFileW(
            probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::optional<std::string> InstalledProgramRecordFolder(
    const std::filesystem::path& programFolder) {
    if (!IsInsideAnyFolder(programFolder, InstalledProgramLocations()) &&
        IsWritableFolder(programFolder)) {
        return std::nullopt;
    }
    for (REFKNOWNFOLDERID id : {FOLDERID_Documents, FOLDERID_Profile}) {
        if (auto folder = knownFolder(id); folder && isFolder(*folder)) {
            return records::WithTrailingSeparator(platform::utf8Of(*folder));
        }
    }
    return std::nullopt;
}

void StartInUserFolderWhenInstalled(app::CInitDlg& dlg) {
    const std::filesystem::path programFolder = platform::pathFromUtf8(dlg.recordFolder());
    if (std::optional<std::string> folder = InstalledProgramRecordFolder(programFolder)) {
        dlg.setRecordFolder(*folder);
        dlg.RefreshFileList(*folder);
    }
}

}  // namespace quelvar::ui::win32
