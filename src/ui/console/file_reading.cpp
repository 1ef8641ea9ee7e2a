#include "ui/console/file_reading.h"

#include <filesystem>
#include <fstream>
#include <ostream>

#include "platform/utf8.h"

namespace quelvar::ui::console {

std::optional<std::string> ReadNamedFile(const std::string& name, std::size_t limit,
                                         const char* kind, std::ostream& err) {
    const std::filesystem::path path = platform::pathFromUtf8(name);
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        err << "cannot read " << name << ": no such file\n";
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        err << "cannot read " << name << ": not a regular file\n";
        return std::nullopt;
    }
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > limit) {
        err << "cannot read " << name << ": larger than " << limit / 1024 << " KiB, not a "
            << kind << '\n';
        return std::nullopt;
    }
    std::ifstream stream(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        err << "cannot read " << name << '\n';
        return std::nullopt;
    }
    return text;
}

}  // namespace quelvar::ui::console
