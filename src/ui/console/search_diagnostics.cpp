#include "ui/console/search_diagnostics.h"

#include <ostream>

#include "discovery/search_diagnosis.h"

namespace quelvar::ui::console {

bool IsNetworkAdapter(const std::string& name, std::string& known) {
    int error = 0;
    known.clear();
    for (const platform::NetworkAdapter& adapter : platform::listNetworkAdapters(error)) {
        if (adapter.name == name) return true;
        if (known.find(adapter.name) == std::string::npos) {
            known += (known.empty() ? "" : ", ") + adapter.name;
        }
    }
    return false;
}

void ReportSearchDiagnostics(const app::CInitDlg& dlg, bool aimedAtAddress, std::ostream& err) {
    const discovery::SearchResult& search = dlg.lastSearch();
    if (search.timeLimitReached) {
        err << "quelvarinit-cli: the search stopped after "
            << std::chrono::duration_cast<std::chrono::seconds>(discovery::kSearchTimeLimit).count()
            << " s with replies still arriving; the list may be incomplete\n";
    }
    if (aimedAtAddress || search.error != 0 || dlg.deviceTable().count > 0) return;
    for (const std::string& line : discovery::ExplainEmptySearch(search)) {
        err << "quelvarinit-cli: " << line << '\n';
    }
}

}  // namespace quelvar::ui::console
