// The record folder and the file list of setup record files in it.
#include "app/init_dlg.h"
#include "platform/utf8.h"
#include "records/file_list.h"

namespace quelvar::app {

using platform::ControlId;

void CInitDlg::RefreshFileList(const std::string& folder) {
    emptyList(ControlId::FileList);
    for (const std::string& name : records::ListSetupRecordFiles(folder)) {
        view_.listAdd(ControlId::FileList, name);
    }
}

Outcome CInitDlg::OnBrowseFolder() {
    std::string current = view_.text(ControlId::RecordFolderLabel);
    std::optional<std::filesystem::path> chosen =
        view_.chooseFolder("select folder", platform::pathFromUtf8(current));
    if (!chosen || chosen->empty()) return Failed(OutcomeKind::Cancelled);  // nothing changes
    std::string folder = records::WithTrailingSeparator(platform::utf8Of(*chosen));
    setRecordFolder(folder);
    RefreshFileList(folder);
    return Succeeded();
}

}  // namespace quelvar::app
