// The "Load setuprecord" button: the selected file applied to the selected
// module.
#include "app/init_dlg.h"
#include "app/window_events.h"
#include "ops/apply_setup_records.h"
#include "platform/utf8.h"

namespace quelvar::app {

ops::Outcome CInitDlg::OnLoadSetupRecord() {
    const discovery::DeviceEntry* selected = selectedDevice();
    const int fileLine = view_.listSelection(ControlId::FileList);
    // The button needs both selections.
    if (selected == nullptr || fileLine < 0) return ops::Failed(ops::OutcomeKind::NoDevice);
    const discovery::DeviceEntry device = *selected;
    if (!confirmed(ops::StringId::ConfirmApplySetupRecord)) {
        return ops::Failed(ops::OutcomeKind::Cancelled);
    }
    // The record folder ends in the separator; the name follows it directly.
    const std::string path = recordFolder_ + view_.listText(ControlId::FileList, fileLine);
    WindowEvents events(*this);
    return ops::ApplySetupRecordFile(device, platform::pathFromUtf8(path), retries_, events).outcome;
}

}  // namespace quelvar::app
