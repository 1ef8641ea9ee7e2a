// The record folder and the list of setup record files in it.
#include "records/file_list.h"

#include <filesystem>
#include <system_error>

#include "platform/utf8.h"

namespace quelvar::records {

namespace fs = std::filesystem;

bool HasRecExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == ".rec";
}

std::vector<std::string> ListSetupRecordFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(platform::pathFromUtf8(folder), error);
    if (error) return names;
    // Entries are taken as the directory yields them; no sorting.
    for (fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) break;
        std::string name = platform::utf8Of(entries->path().filename());
        if (HasRecExtension(name)) names.push_back(std::move(name));
    }
    return names;
}

std::string WithTrailingSeparator(std::string folder) {
    const char separator = static_cast<char>(fs::path::preferred_separator);
    if (folder.empty() || folder.back() != separator) folder += separator;
    return folder;
}

}  // namespace quelvar::records
