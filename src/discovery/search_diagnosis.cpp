#include "discovery/search_diagnosis.h"

#include <algorithm>

#include "discovery/datagrams.h"

namespace quelvar::discovery {

namespace {

std::string adapterState(const AdapterRequest& entry) {
    const platform::NetworkAdapter& adapter = entry.adapter;
    if (entry.requestSent) return "request sent";
    if (entry.error != 0) return "no request: " + platform::systemErrorText(entry.error);
    if (!adapter.up) return "down, no request";
    if (adapter.loopback) return "loopback, no request";
    if (!adapter.canBroadcast) return "cannot broadcast, no request";
    return "not searched";
}

// 169.254.0.0/16: the address an adapter gives itself when nobody assigned one.
bool selfAssigned(const platform::Ipv4Octets& address) {
    return address[0] == 169 && address[1] == 254;
}

}  // namespace

std::vector<std::string> ExplainEmptySearch(const SearchResult& result) {
    std::vector<std::string> lines;
    for (const AdapterRequest& entry : result.adapters) {
        lines.push_back("adapter " + entry.adapter.name + " " + entry.adapter.addressText() + ": " +
                        adapterState(entry));
    }

    bool anyUp = std::any_of(result.adapters.begin(), result.adapters.end(), [](const auto& entry) {
        return entry.adapter.up && !entry.adapter.loopback;
    });
    if (!anyUp) {
        lines.push_back(
            "cause: no network adapter is up besides loopback "
            "(cable unplugged, adapter switched off, or no IPv4 address)");
    }
    bool anySent = std::any_of(result.adapters.begin(), result.adapters.end(),
                               [](const auto& entry) { return entry.requestSent; });
    if (!anySent) lines.push_back("cause: the search request went out on no adapter");

    const std::string port = std::to_string(kDiscoveryPort);
    for (const std::string& finding : platform::visibleFirewallState()) {
        lines.push_back("possible cause: " + finding +
                        "; the firewall must let in UDP replies from port " + port);
    }
    for (const AdapterRequest& entry : result.adapters) {
        if (!entry.requestSent) continue;
        const platform::NetworkAdapter& adapter = entry.adapter;
        if (platform::dropsRepliesFromOtherSubnets(adapter.name)) {
            lines.push_back(
                "possible cause: " + adapter.name +
                " drops datagrams from addresses outside its subnets (strict reverse-path "
                "filter): a module in another subnet than " +
                adapter.addressText() + " cannot answer through it");
        }
        if (selfAssigned(adapter.address)) {
            lines.push_back("possible cause: " + adapter.name + " has a self-assigned address (" +
                            adapter.addressText() +
                            "): nobody gave it one, so it is not in the modules' subnet");
        }
    }
    return lines;
}

}  // namespace quelvar::discovery
