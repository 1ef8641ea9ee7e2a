#include "site/user_file.h"

#include <filesystem>
#include <fstream>

#include "platform/utf8.h"

namespace quelvar::site {

std::optional<std::string> ReadUserFile(const std::string& name, std::size_t limit,
                                        const char* kind, std::string& error) {
    const std::filesystem::path path = platform::pathFromUtf8(name);
    std::error_code code;
    std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code || !std::filesystem::exists(status)) {
        error = "cannot read " + name + ": no such file";
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = "cannot read " + name + ": not a regular file";
        return std::nullopt;
    }
    std::uintmax_t size = std::filesystem::file_size(path, code);
    if (code || size > limit) {
        error = "cannot read " + name + ": larger than " + std::to_string(limit / 1024) +
                " KiB, not a " + kind;
        return std::nullopt;
    }
    std::ifstream stream(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        error = "cannot read " + name;
        return std::nullopt;
    }
    return text;
}

}  // namespace quelvar::site
