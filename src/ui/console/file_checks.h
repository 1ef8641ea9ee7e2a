#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quelvar::ui::console {

// Where save writes: FILE as given (".rec" appended when it has no
// extension, as the save dialog does); when FILE is a folder (an existing
// one, or a name ending in a separator) or not given, the device line with
// ".rec", made a safe file name, in that folder or the current one.
std::filesystem::path SaveDestination(const std::optional<std::string>& output,
                                      const std::string& deviceLine);

// True when `path` names a file that can be opened for reading.
bool IsReadableFile(const std::filesystem::path& path);

}  // namespace quelvar::ui::console
