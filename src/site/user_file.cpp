#include "site/user_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/files.h"
#include "platform/utf8.h"

namespace quelvar::site {

std::optional<std::string> ReadUserFile(const std::string& name, std::size_t limit,
                                        ops::Fact& error) {
    using K = ops::FactKind;
    const std::filesystem::path path = platform::pathFromUtf8(name);
    std::error_code code;
    std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code || !std::filesystem::exists(status)) {
        error = {K::FileMissing, {name}};
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = {K::FileNotRegular, {name}};
        return std::nullopt;
    }
    std::uintmax_t size = std::filesystem::file_size(path, code);
    if (code || size > limit) {
        error = {K::FileTooLarge, {name, std::to_string(limit / 1024)}};
        return std::nullopt;
    }
    std::ifstream stream(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        error = {K::FileUnreadable, {name}};
        return std::nullopt;
    }
    return text;
}

std::string WhyCannotCreate(const std::filesystem::path& path) {
    std::error_code error;
    // The system's own words, in its language, as for every other reason here.
    if (std::filesystem::is_directory(path, error)) return std::generic_category().message(EISDIR);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) folder = ".";
    errno = 0;
    std::optional<std::filesystem::path> probe =
        platform::createUniqueFile(folder, ".quelvarinit-check-", ".tmp");
    if (!probe) return std::generic_category().message(errno != 0 ? errno : EACCES);
    std::filesystem::remove(*probe, error);
    return {};
}

ops::Reason InFile(const std::string& name, ops::Fact what) {
    return {{ops::FactKind::InFile, {name}}, std::move(what)};
}

}  // namespace quelvar::site
