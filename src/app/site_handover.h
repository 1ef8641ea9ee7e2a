#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/language.h"

namespace quelvar::app {

// The handover page and sheet of a run, made from the report or manifest it
// left, beside it: "NAME.html" and "NAME.csv".
struct HandoverFiles {
    std::filesystem::path page;
    std::filesystem::path sheet;
};
std::optional<HandoverFiles> WriteHandoverBeside(const std::filesystem::path& runFile,
                                                 platform::Language language, std::string& why);

// "file:///..." for a local file, every byte but the plain ones escaped, so
// that a desktop's default program opens it whatever its name holds.
std::string FileUrl(const std::filesystem::path& path);

}  // namespace quelvar::app
