// The Search button: the search request on every adapter, then every reply
// until a quiet second, listed in arrival order.
#include "app/init_dlg.h"
#include "app/site_preparation.h"
#include "app/window_events.h"
#include "discovery/search_diagnosis.h"
#include "ops/search.h"

namespace quelvar::app {

ops::Outcome CInitDlg::OnSearch() {
    emptyList(ControlId::DeviceList);
    WindowEvents events(*this);
    // The window's one request, every reply a line.
    ops::SearchReport report = ops::Search(discovery::SearchScope{}, events);
    // On a failed wait the replies read so far stay counted but are not listed.
    devices_.fill(report.result.modules);
    if (report.outcome.kind == ops::OutcomeKind::SocketError) return report.outcome;

    for (int row = 0; row < devices_.count; ++row) {
        view_.listAdd(ControlId::DeviceList,
                      discovery::FormatDeviceLine(devices_.rows[static_cast<std::size_t>(row)]));
    }
    // The log keeps its fixed text; the live log window also says why, and
    // what the search left out (cut at its time limit, beyond the table).
    if (report.outcome.kind == ops::OutcomeKind::NotFound) {
        view_.showDiagnostics(discovery::ExplainEmptySearch(report.result));
    }
    if (std::vector<std::string> leftOut = SearchLeftOut(report.result, language_);
        !leftOut.empty()) {
        view_.showDiagnostics(leftOut);
    }
    view_.setListSelection(ControlId::FileList, -1);
    UpdateControls();
    return report.outcome;
}

}  // namespace quelvar::app
