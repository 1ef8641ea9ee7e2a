// The record folder and the file list of setup record files in it.
#include "app/init_dlg.h"
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
    std::optional<std::filesystem::path> chosen = view_.chooseFolder("select folder", current);
    if (!chosen || chosen->empty()) return Failed(OutcomeKind::Cancelled);  // nothing changes
    std::string folder = records::WithTrailingSeparator(chosen->string());
    setRecordFolder(folder);
    RefreshFileList(folder);
    return Succeeded();
}

}  // namespace quelvar::app
