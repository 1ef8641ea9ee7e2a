#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quelvar::app {
class CInitDlg;
}

namespace quelvar::ui::win32 {

// The record folder starts as the program's own folder, which suits a program
// unpacked from the zip and run from there. An installed program lives where
// the user cannot save, or must not: under Program Files, under the user's own
// Programs folder, or wherever the installer put it. Such a program starts in
// the user's Documents folder, else in the user's profile folder.

// Whether `folder` is one of `roots` or lies inside one. Windows file names:
// case does not matter, and a trailing separator neither.
bool IsInsideAnyFolder(const std::filesystem::path& folder,
                       const std::vector<std::filesystem::path>& roots);

// The folders installed programs live in on this machine: Program Files (both
// of them), the user's Programs folder, and the folder the installer recorded
// in HKCU\Software\QUELVARinit (InstallFolder). Those the system does not know
// are left out.
std::vector<std::filesystem::path> InstalledProgramLocations();

// Whether the user can create a file in `folder`: tried with a temporary file
// that is gone again when its handle closes.
bool IsWritableFolder(const std::filesystem::path& folder);

// The record folder of an installed program (the user's Documents folder, or
// the profile folder when there is none), with a trailing separator; nullopt
// when the program's own folder serves.
std::optional<std::string> InstalledProgramRecordFolder(const std::filesystem::path& programFolder);

// After the window's initialisation: moves the record folder and the file
// list to the user's folder when the program is an installed one.
void StartInUserFolderWhenInstalled(app::CInitDlg& dlg);

}  // namespace quelvar::ui::win32
