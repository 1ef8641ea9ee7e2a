#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace quelvar::platform {

// Full path of the running program's executable file.
std::filesystem::path executablePath();

// A plain blocking pause of the calling thread.
void sleepFor(std::chrono::milliseconds duration);

}  // namespace quelvar::platform
