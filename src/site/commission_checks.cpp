#include "site/commission_checks.h"

#include <map>

#include "ops/network_reach.h"

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

std::vector<std::string> RowsOutsideNetworks(const std::vector<SheetRow>& sheet,
                                             const std::vector<std::size_t>& rows,
                                             platform::Language language) {
    std::vector<std::string> lines;
    int error = 0;
    const std::vector<platform::NetworkAdapter> adapters = platform::listNetworkAdapters(error);
    for (std::size_t index : rows) {
        const SheetRow& row = sheet.at(index);
        if (auto outside = ops::OutsideAfterChange(row.address, "", adapters)) {
            lines.push_back(ops::OutsideWarning(discovery::FormatMac(row.mac), row.address,
                                                *outside, language));
        }
    }
    return lines;
}

}  // namespace quelvar::site
