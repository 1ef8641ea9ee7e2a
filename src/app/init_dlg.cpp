#include "app/init_dlg.h"

#include "app/dialog_template.h"
#include "version.h"
#include "app/window_events.h"
#include "platform/utf8.h"

namespace quelvar::app {

CInitDlg::CInitDlg(View& view, platform::Launcher& launcher, platform::Language language,
                   std::filesystem::path executablePath)
    : view_(view),
      launcher_(launcher),
      language_(language),
      executablePath_(std::move(executablePath)) {}

CInitDlg::~CInitDlg() = default;

std::string RecordFolderOf(const std::filesystem::path& executablePath) {
    std::string folder = platform::utf8Of(executablePath.parent_path());
    if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator) {
        folder += static_cast<char>(std::filesystem::path::preferred_separator);
    }
    return folder;
}

void CInitDlg::setRecordFolder(const std::string& folder) {
    recordFolder_ = folder;
    view_.setText(ControlId::RecordFolderLabel, recordFolder_);
}

void CInitDlg::OnInitDialog() {
    view_.showLog(logText_);
    setRecordFolder(RecordFolderOf(executablePath_));
    RefreshFileList(recordFolder_);
    UpdateControls();
    AppendLog("build.");
    AppendLogFormat("%d", kBuildNumber);
    AppendLog("\r\n");
    view_.show(ControlId::ActivityLog, false);
    view_.setProgressRange(0, ops::kProgressUpper);
    view_.setText(ControlId::VersionLabel, kApplicationVersion);
}

std::optional<ops::Outcome> CInitDlg::OnNotify(ControlId control, Notification notification) {
    if (notification == Notification::Clicked) {
        switch (control) {
            case ControlId::Search: return OnSearch();
            case ControlId::LoadSetupRecord: return OnLoadSetupRecord();
            case ControlId::SaveSetupRecord: return OnSaveSetupRecord();
            case ControlId::BrowseFolder: return OnBrowseFolder();
            case ControlId::SetIpAddress: return OnSetIpAddress();
            case ControlId::Telnet: return OnTelnet();
            case ControlId::WebManager: return OnWebManager();
            default: return std::nullopt;
        }
    }
    // Both lists refresh the selection state on a selection change and
    // whenever they gain the focus, even when the selection stays the same.
    if (control == ControlId::DeviceList || control == ControlId::FileList) {
        UpdateControls();
        return ops::Succeeded();
    }
    return std::nullopt;
}

const discovery::DeviceEntry* CInitDlg::selectedDevice() {
    return devices_.rowAt(view_.listSelection(ControlId::DeviceList));
}

void CInitDlg::emptyList(ControlId list) {
    // Bounded by the count read once: a list never holds more than it had.
    for (int remaining = view_.listCount(list); remaining > 0; --remaining) {
        view_.listDelete(list, 0);
    }
}

MessageAnswer CInitDlg::showString(MessageKind kind, ops::StringId id) {
    return view_.messageBox(kind, ops::LoadString(id, language_));
}

bool CInitDlg::confirmed(ops::StringId question) {
    return showString(MessageKind::Confirmation, question) == MessageAnswer::Ok;
}

}  // namespace quelvar::app
