// The "Save setuprecord" button: the selected module's setup records, saved
// under the name the user picks in the save dialog.
#include "app/init_dlg.h"
#include "app/window_events.h"
#include "ops/read_setup_records.h"
#include "platform/utf8.h"

namespace quelvar::app {

ops::Outcome CInitDlg::OnSaveSetupRecord() {
    const discovery::DeviceEntry* selected = selectedDevice();
    if (selected == nullptr) return ops::Failed(ops::OutcomeKind::NoDevice);
    const discovery::DeviceEntry device = *selected;
    const std::string line = view_.listText(ControlId::DeviceList,
                                            view_.listSelection(ControlId::DeviceList));

    WindowEvents events(*this);
    ops::ReadResult read = ops::ReadSetupRecords(device, retries_, events);
    if (!read.outcome.succeeded()) return read.outcome;

    SaveDialogRequest request;
    request.defaultName = line + ".rec";
    request.defaultExtension = "rec";
    request.filters = {{"Setup record files(*.rec)", "*.rec"}, {"All files (*.*)", "*.*"}};
    request.initialFolder = platform::pathFromUtf8(recordFolder_);
    request.overwritePrompt = true;
    std::optional<std::filesystem::path> chosen = view_.saveFileDialog(request);

    if (!chosen) {
        AppendLog("cancel.\r\n");
        emptyList(ControlId::DeviceList);
        UpdateControls();
        view_.setProgress(0);
        return ops::Failed(ops::OutcomeKind::Cancelled);
    }
    ops::Outcome saved = ops::SaveSetupRecordFile(*chosen, read.image, events);
    if (!saved.succeeded()) return saved;
    showString(MessageKind::ResultText, ops::StringId::Done);
    view_.setProgress(0);
    emptyList(ControlId::DeviceList);
    UpdateControls();
    RefreshFileList(recordFolder_);
    return saved;
}

}  // namespace quelvar::app
