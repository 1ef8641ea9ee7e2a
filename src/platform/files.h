#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>

namespace quelvar::platform {

// std::fopen for a path, through the wide API on Windows so that any name
// opens. `mode` is fopen's; an "x" in a write mode creates the file and fails
// when it already exists, on every platform.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

// Creates a new empty file named PREFIX + unique characters + EXTENSION in
// `folder`, never reusing a file that is already there; nullopt on failure.
std::optional<std::filesystem::path> createUniqueFile(const std::filesystem::path& folder,
                                                      std::string_view prefix,
                                                      std::string_view extension);

}  // namespace quelvar::platform
