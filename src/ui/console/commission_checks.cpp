#include "ui/console/commission_checks.h"

#include <map>

namespace quelvar::ui::console {

std::vector<std::string> FindSheetConflicts(const std::vector<SheetRow>& rows) {
    std::vector<std::string> conflicts;
    std::map<MacAddress, int> lineOfModule;
    std::map<platform::Ipv4Octets, int> lineOfAddress;
    for (const SheetRow& row : rows) {
        auto [module, newModule] = lineOfModule.emplace(row.mac, row.line);
        if (!newModule) {
            conflicts.push_back("lines " + std::to_string(module->second) + " and " +
                                std::to_string(row.line) + " name the same module " +
                                FormatMac(row.mac));
        }
        auto [address, newAddress] = lineOfAddress.emplace(row.address, row.line);
        if (!newAddress) {
            conflicts.push_back("lines " + std::to_string(address->second) + " and " +
                                std::to_string(row.line) + " give the same address " +
                                FormatIpv4(row.address));
        }
    }
    return conflicts;
}

const discovery::DeviceEntry* HolderOfNewAddress(const discovery::DeviceTable& found,
                                                 const SheetRow& row) {
    const std::string wanted = FormatIpv4(row.address);
    for (int index = 0; const discovery::DeviceEntry* entry = found.rowAt(index); ++index) {
        if (entry->ipText == wanted && entry->mac != row.mac) return entry;
    }
    return nullptr;
}

}  // namespace quelvar::ui::console
