#include "site/commission_checks.h"

#include <map>

namespace quelvar::site {

std::vector<std::string> FindSheetConflicts(const std::vector<SheetRow>& rows) {
    std::vector<std::string> conflicts;
    std::map<discovery::MacAddress, int> lineOfModule;
    std::map<platform::Ipv4Octets, int> lineOfAddress;
    for (const SheetRow& row : rows) {
        auto [module, newModule] = lineOfModule.emplace(row.mac, row.line);
        if (!newModule) {
            conflicts.push_back("lines " + std::to_string(module->second) + " and " +
                                std::to_string(row.line) + " name the same module " +
                                discovery::FormatMac(row.mac));
        }
        auto [address, newAddress] = lineOfAddress.emplace(row.address, row.line);
        if (!newAddress) {
            conflicts.push_back("lines " + std::to_string(address->second) + " and " +
                                std::to_string(row.line) + " give the same address " +
                                platform::formatIpv4(row.address));
        }
    }
    return conflicts;
}

}  // namespace quelvar::site
