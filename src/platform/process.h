#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>

namespace quelvar::platform {

// Full path of the running program's executable file.
std::filesystem::path executablePath();

// A plain blocking pause of the calling thread (of the fiber, on one).
void sleepFor(std::chrono::milliseconds duration);

// Raises the soft limit of open descriptors (files and sockets) to `wanted`,
// as far as the hard limit allows; returns the limit now in force. Where the
// system has no such small limit (Windows), nothing to do.
std::size_t raiseOpenFileLimit(std::size_t wanted);

}  // namespace quelvar::platform
