// The record folder and the file list of setup record files in it.
#include "app/init_dlg.h"
#include "platform/utf8.h"
#include "records/file_list.h"

namespace quelvar::app {

void CInitDlg::RefreshFileList(const std::string& folder) {
    emptyList(ControlId::FileList);
    for (const std::string& name : records::ListSetupRecordFiles(folder)) {
        view_.listAdd(ControlId::FileList, name);
    }
}

ops::Outcome CInitDlg::OnBrowseFolder() {
    std::optional<std::filesystem::path> chosen =
        view_.chooseFolder("select folder", platform::pathFromUtf8(recordFolder_));
    if (!chosen || chosen->empty()) return ops::Failed(ops::OutcomeKind::Cancelled);  // nothing changes
    std::string folder = records::WithTrailingSeparator(platform::utf8Of(*chosen));
    setRecordFolder(folder);
    RefreshFileList(folder);
    return ops::Succeeded();
}

}  // namespace quelvar::app
