#include "ui/console/search_diagnostics.h"

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

void ExplainEmptySearch(const discovery::SearchResult& search, ConsoleEvents& events) {
    for (const std::string& line : discovery::ExplainEmptySearch(search)) {
        events.say("quelvarinit-cli: " + line);
    }
}

}  // namespace quelvar::ui::console
