#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quelvar::platform {

// Texts inside the tool are UTF-8. A std::filesystem::path made from a plain
// std::string reads it in the ANSI code page on Windows, which garbles every
// name outside it (Japanese folders and file names in particular), so paths
// are made from and turned back into UTF-8 only through these two.
std::filesystem::path pathFromUtf8(std::string_view text);
std::string utf8Of(const std::filesystem::path& path);

#ifdef _WIN32
// The Win32 boundary: wide (UTF-16) API texts to and from UTF-8. Invalid
// sequences become U+FFFD rather than failing.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif

}  // namespace quelvar::platform
