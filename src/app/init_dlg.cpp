#include "app/init_dlg.h"

#include <cstdio>

#include "app/dialog_template.h"
#include "app/strings.h"
#include "discovery/reachability.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace quelvar::app {

using platform::ControlId;

CInitDlg::CInitDlg(platform::View& view, platform::Launcher& launcher,
                   platform::Language language, std::filesystem::path executablePath)
    : view_(view),
      launcher_(launcher),
      language_(language),
      executablePath_(std::move(executablePath)) {}

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
    view_.setText(ControlId::ActivityLog, logText_);
    setRecordFolder(RecordFolderOf(executablePath_));
    RefreshFileList(recordFolder_);
    UpdateControls();
    AppendLog("build.");
    AppendLogFormat("%d", kBuildNumber);
    AppendLog("\r\n");
    view_.show(ControlId::ActivityLog, false);
    view_.setProgressRange(0, kProgressUpper);
    view_.setText(ControlId::VersionLabel, kApplicationVersion);
}

std::optional<Outcome> CInitDlg::OnNotify(ControlId control, Notification notification) {
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
        return Succeeded();
    }
    return std::nullopt;
}

const discovery::DeviceEntry* CInitDlg::selectedDevice() {
    return devices_.rowAt(view_.listSelection(ControlId::DeviceList));
}

void CInitDlg::clearLog() { view_.setText(ControlId::ActivityLog, std::string()); }

void CInitDlg::emptyList(ControlId list) {
    // Bounded by the count read once: a list never holds more than it had.
    for (int remaining = view_.listCount(list); remaining > 0; --remaining) {
        view_.listDelete(list, 0);
    }
}

platform::MessageAnswer CInitDlg::showString(platform::MessageKind kind, StringId id) {
    return view_.messageBox(kind, LoadString(id, language_));
}

void CInitDlg::finishModuleOperation(int progressWhileDone, std::string_view endLine) {
    emptyList(ControlId::DeviceList);
    UpdateControls();
    view_.setProgress(progressWhileDone);
    showString(platform::MessageKind::ResultText, StringId::Done);
    view_.setProgress(0);
    AppendLog(endLine);
}

monitor::TransferHooks CInitDlg::transferHooks() {
    return {
        [this](std::string_view text) { AppendLog(text); },
        [this](int position) { view_.setProgress(position); },
        [](std::chrono::milliseconds duration) { platform::sleepFor(duration); },
    };
}

bool CInitDlg::checkDeviceAnswers(const std::string& ipText) {
    if (discovery::PingDevice(ipText, 1)) return true;
    showString(platform::MessageKind::Warning, StringId::DeviceCannotCommunicate);
    return false;
}

}  // namespace quelvar::app
