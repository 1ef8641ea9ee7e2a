// The record folder and the list of setup record files in it.
#include "records/file_list.h"

#include <filesystem>
#include <system_error>

#include "app/init_dlg.h"
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

namespace quelvar::app {

using platform::ControlId;

void CInitDlg::RefreshFileList(const std::string& folder) {
    emptyList(ControlId::FileList);
    for (const std::string& name : records::ListSetupRecordFiles(folder)) {
        view_.listAdd(ControlId::FileList, name);
    }
}

void CInitDlg::OnBrowseFolder() {
    std::string current = view_.text(ControlId::RecordFolderLabel);
    std::optional<std::filesystem::path> chosen =
        view_.chooseFolder("select folder", platform::pathFromUtf8(current));
    if (!chosen || chosen->empty()) return;  // cancelled: nothing changes
    std::string folder = records::WithTrailingSeparator(platform::utf8Of(*chosen));
    setRecordFolder(folder);
    RefreshFileList(folder);
}

}  // namespace quelvar::app
