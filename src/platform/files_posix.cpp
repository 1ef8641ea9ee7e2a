#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"

namespace quelvar::platform {

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::optional<std::filesystem::path> createUniqueFile(const std::filesystem::path& folder,
                                                      std::string_view prefix,
                                                      std::string_view extension) {
    std::string pattern = (folder / std::string(prefix)).native();
    pattern += "XXXXXX";
    pattern += extension;
    int descriptor = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (descriptor < 0) return std::nullopt;
    ::close(descriptor);
    return std::filesystem::path(pattern);
}

}  // namespace quelvar::platform
