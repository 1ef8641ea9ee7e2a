// The Search button: the search request on every adapter, then every reply
// until a quiet second.
#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/search.h"

namespace quelvar::app {

using platform::ControlId;

Outcome CInitDlg::OnSearch() {
    clearLog();
    emptyList(ControlId::DeviceList);

    discovery::SearchScope scope;
    scope.destination = searchDestination_;
    scope.adapter = searchAdapter_;
    lastSearch_ = discovery::SearchForModules(scope, devices_);
    const discovery::SearchResult& result = lastSearch_;
    if (result.error != 0) {
        // The rows read so far stay counted but are not listed.
        ReportSocketError(result.error);
        return Failed(OutcomeKind::SocketError, result.error);
    }
    listDevices();
    return devices_.count == 0 ? Failed(OutcomeKind::NotFound) : Succeeded();
}

void CInitDlg::adoptSearchResult(const discovery::DeviceTable& devices) {
    emptyList(ControlId::DeviceList);
    devices_ = devices;
    lastSearch_ = {};
    listDevices();
}

void CInitDlg::listDevices() {
    for (int row = 0; row < devices_.count; ++row) {
        view_.listAdd(ControlId::DeviceList,
                      discovery::FormatDeviceLine(devices_.rows[static_cast<std::size_t>(row)]));
    }
    if (devices_.count == 0) {
        AppendLog("QUELVAR is not found.\r\n");
        showString(platform::MessageKind::ResultText, StringId::NotFound);
    }
    view_.setListSelection(ControlId::FileList, -1);
    UpdateControls();
}

}  // namespace quelvar::app
