#include "platform/utf8.h"

namespace quelvar::platform {

// The char8_t forms of path convert from and to UTF-8 on every platform.
std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace quelvar::platform
