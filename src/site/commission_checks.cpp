#include "site/commission_checks.h"

#include <map>

#include "ops/network_reach.h"

namespace quelvar::site {

std::vector<ops::Fact> FindSheetConflicts(const std::vector<SheetRow>& rows) {
    std::vector<ops::Fact> conflicts;
    std::map<discovery::MacAddress, int> lineOfModule;
    std::map<platform::Ipv4Octets, int> lineOfAddress;
    for (const SheetRow& row : rows) {
        auto [module, newModule] = lineOfModule.emplace(row.mac, row.line);
        if (!newModule) {
            conflicts.push_back({ops::FactKind::SheetSameModule,
                                 {std::to_string(module->second), std::to_string(row.line),
                                  discovery::FormatMac(row.mac)}});
        }
        auto [address, newAddress] = lineOfAddress.emplace(row.address, row.line);
        if (!newAddress) {
            conflicts.push_back({ops::FactKind::SheetSameAddress,
                                 {std::to_string(address->second), std::to_string(row.line),
                                  platform::formatIpv4(row.address)}});
        }
    }
    return conflicts;
}

CommissionSheet ReadCommissionSheet(std::string_view text) {
    CommissionSheet sheet = ParseCommissionSheet(text);
    for (ops::Fact& conflict : FindSheetConflicts(sheet.rows)) {
        sheet.errors.push_back(std::move(conflict));
    }
    return sheet;
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
