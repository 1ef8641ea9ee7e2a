#include "ui/console/file_checks.h"

#include <fstream>
#include <system_error>

#include "ops/read_setup_records.h"
#include "platform/utf8.h"

namespace quelvar::ui::console {

std::filesystem::path SaveDestination(const std::optional<std::string>& output,
                                      const std::string& deviceLine) {
    std::filesystem::path defaultName =
        platform::pathFromUtf8(ops::SafeFileName(deviceLine + ".rec"));
    if (!output) return defaultName;
    std::filesystem::path path = platform::pathFromUtf8(*output);
    std::error_code error;
    if (!path.has_filename() || path.filename() == "." || path.filename() == ".." ||
        std::filesystem::is_directory(path, error)) {
        return path / defaultName;
    }
    if (!path.has_extension()) path += ".rec";
    return path;
}

bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream stream(path, std::ios::binary);
    return stream.good();
}

}  // namespace quelvar::ui::console
