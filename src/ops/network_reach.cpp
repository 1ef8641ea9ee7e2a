#include "ops/network_reach.h"

#include <algorithm>

namespace quelvar::ops {

namespace {

std::string subnetText(const platform::NetworkAdapter& adapter) {
    const std::uint32_t mask = adapter.prefixLength <= 0    ? 0
                               : adapter.prefixLength >= 32 ? 0xFFFFFFFFu
                                                            : ~(0xFFFFFFFFu >> adapter.prefixLength);
    return platform::formatIpv4(platform::ipv4FromNumber(platform::ipv4Number(adapter.address) & mask)) +
           "/" + std::to_string(adapter.prefixLength);
}

}  // namespace

std::optional<OutsideNetworks> OutsideAfterChange(
    const platform::Ipv4Octets& newAddress, const std::string& adapter,
    const std::vector<platform::NetworkAdapter>& adapters) {
    const bool named = std::any_of(adapters.begin(), adapters.end(), [&](const auto& entry) {
        return entry.up && entry.name == adapter;
    });
    // Adapter names in the order they come, each with its subnets.
    std::vector<std::pair<std::string, std::vector<std::string>>> judged;
    for (const platform::NetworkAdapter& entry : adapters) {
        // Unnamed, every LAN of this PC counts, not its loopback network.
        if (!entry.up || (named ? entry.name != adapter : entry.loopback)) continue;
        if (platform::inSubnetOf(entry, newAddress)) return std::nullopt;
        auto place = std::find_if(judged.begin(), judged.end(),
                                  [&](const auto& seen) { return seen.first == entry.name; });
        if (place == judged.end()) place = judged.insert(judged.end(), {entry.name, {}});
        place->second.push_back(subnetText(entry));
    }
    if (judged.empty()) return std::nullopt;
    OutsideNetworks outside;
    for (const auto& [name, subnets] : judged) {
        if (!outside.networks.empty()) outside.networks += ", ";
        for (std::size_t i = 0; i < subnets.size(); ++i) {
            outside.networks += (i == 0 ? "" : " and ") + subnets[i];
        }
        outside.networks += " of " + name;
    }
    return outside;
}

std::optional<OutsideNetworks> OutsideAfterChange(const discovery::DeviceEntry& module,
                                                  const platform::Ipv4Octets& newAddress) {
    int error = 0;
    const std::vector<platform::NetworkAdapter> adapters = platform::listNetworkAdapters(error);
    std::string adapter = module.adapter;
    // A reply whose adapter is not known (a search over a range) came in on
    // the adapter the module's own address lies on, if any.
    if (adapter.empty()) {
        if (auto lan = platform::adapterOnLinkWith(module.address.octets, adapters)) {
            adapter = lan->name;
        } else {
            return std::nullopt;  // reached through a router already
        }
    }
    return OutsideAfterChange(newAddress, adapter, adapters);
}

std::string OutsideWarning(const std::string& module, const platform::Ipv4Octets& newAddress,
                           const OutsideNetworks& outside, platform::Language language) {
    const std::string address = platform::formatIpv4(newAddress);
    if (language == platform::Language::Japanese) {
        return "変更後、" + module + " は " + address + " で応答します。これは " +
               outside.networks +
               " の外にあるため、この PC からはルーター経由でしか到達できず、変更を確認できません";
    }
    return "after the change " + module + " answers at " + address + ", outside " +
           outside.networks + ": this PC reaches it only through a router and cannot confirm it";
}

}  // namespace quelvar::ops
