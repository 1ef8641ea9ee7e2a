#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quelvar::ui::qt {

// The record folder starts as the program's own folder, which suits a program
// run from its build or unpacked folder. An installed program lives where the
// user cannot (or must not) write: a folder the user may not write to, or one
// under /usr, which belongs to the package manager. Such a program starts in
// the user's documents folder when there is one, else in the home folder.
//
// Returns that folder with a trailing separator, or nullopt when the program's
// own folder serves.
std::optional<std::string> InstalledProgramRecordFolder(const std::filesystem::path& programFolder);

}  // namespace quelvar::ui::qt
