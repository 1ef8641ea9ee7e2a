#pragma once

#include <iosfwd>
#include <string>

#include "app/init_dlg.h"

namespace quelvar::ui::console {

// Whether `name` is a network adapter with an IPv4 address; when it is not,
// `known` lists the names there are ("lo, eth0").
bool IsNetworkAdapter(const std::string& name, std::string& known);

// What the console adds on the error stream after a search: the note that it
// was cut short by the time limit, and for a search on the adapters (not one
// aimed at an address) that found nothing, one line per adapter and the
// likely causes. The activity log keeps only the window's own texts.
void ReportSearchDiagnostics(const app::CInitDlg& dlg, bool aimedAtAddress, std::ostream& err);

}  // namespace quelvar::ui::console
