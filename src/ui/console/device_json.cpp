#include "ui/console/device_json.h"

#include <nlohmann/json.hpp>

#include "ui/console/options.h"

namespace quelvar::ui::console {

std::string DevicesJson(const std::vector<discovery::DeviceEntry>& modules) {
    nlohmann::ordered_json devices = nlohmann::ordered_json::array();
    for (const discovery::DeviceEntry& module : modules) {
        const discovery::DeviceEntry* entry = &module;
        devices.push_back({
            {"mac", FormatMac(entry->mac)},
            {"ip", entry->ipText},
            {"port", entry->address.port},
            {"product", discovery::ProductText(*entry)},
            {"version", discovery::FirmwareText(*entry)},
        });
        if (!entry->adapter.empty()) devices.back()["interface"] = entry->adapter;
    }
    return devices.dump(-1, ' ', true);
}

}  // namespace quelvar::ui::console
