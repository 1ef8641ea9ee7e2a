// Where a module is: the search reply is the only answer that names it.
#include "ops/whereabouts.h"

#include <algorithm>

#include "discovery/probe.h"
#include "discovery/search.h"
#include "platform/socket.h"

namespace quelvar::ops {

namespace {

discovery::SearchResult broadcastSearch(const Retries& retries) {
    discovery::SearchScope scope;
    scope.rounds = retries.searchRounds;
    scope.mergeRepeats = true;
    // Every module of the network may answer; all are read, only some kept.
    scope.capacity = 65536;
    return discovery::SearchForModules(scope);
}

}  // namespace

bool Occupant::holds(const discovery::MacAddress& mac) const {
    return std::any_of(modules.begin(), modules.end(),
                       [&](const discovery::DeviceEntry& entry) { return entry.mac == mac; });
}

const discovery::DeviceEntry* Occupant::other(const discovery::MacAddress& mac) const {
    for (const discovery::DeviceEntry& entry : modules) {
        if (entry.mac != mac) return &entry;
    }
    return nullptr;
}

Occupant WhoAnswersAt(const platform::Ipv4Octets& address, const Retries& retries) {
    discovery::Probe probe = retries.probeTries <= 1
                                 ? discovery::ProbeAddressOnce(address)
                                 : discovery::ProbeAddress(address, retries.probeTries);
    Occupant occupant{probe.answered, std::move(probe.modules), probe.error, probe.refused,
                      probe.firstSent};
    if (retries.confirmWhereabouts && occupant.answered && occupant.modules.empty()) {
        for (discovery::DeviceEntry& entry : broadcastSearch(retries).modules) {
            if (entry.address.octets == address && !occupant.holds(entry.mac)) {
                occupant.modules.push_back(std::move(entry));
            }
        }
    }
    return occupant;
}

AddressHolder WhoHolds(const platform::Ipv4Octets& address, const Retries& retries) {
    AddressHolder holder;
    int error = 0;
    const std::vector<platform::NetworkAdapter> adapters = platform::listNetworkAdapters(error);
    const bool local = std::any_of(adapters.begin(), adapters.end(), [&](const auto& adapter) {
        return adapter.up && adapter.loopback && platform::inSubnetOf(adapter, address);
    });
    holder.lan = platform::adapterOnLinkWith(address, adapters);
    holder.routed = !local && !holder.lan;
    const unsigned rounds = retries.linkShownLossy ? retries.lossyAddressResolutions : 1;
    for (unsigned round = 1;; ++round) {
        holder.occupant = WhoAnswersAt(address, retries);
        const Occupant& occupant = holder.occupant;
        holder.link.reset();
        if (!holder.lan || occupant.anythingAnswered() || occupant.refused || occupant.error != 0) {
            return holder;
        }
        holder.link = platform::askLinkHolder(address, occupant.firstSent);
        // A resolution nobody answered took the check's datagrams with it:
        // asked again, the system starts a new one.
        if (holder.link->finding != platform::LinkHolder::Finding::NobodyAnswered ||
            round >= rounds) {
            return holder;
        }
    }
}

std::optional<Fact> LinkNote(const platform::Ipv4Octets& address, const AddressHolder& holder) {
    const std::string text = platform::formatIpv4(address);
    if (holder.routed) return Fact{FactKind::AddressRouted, {text}};
    if (!holder.link) return std::nullopt;
    using Finding = platform::LinkHolder::Finding;
    switch (holder.link->finding) {
        case Finding::Answered:
        case Finding::NobodyAnswered: return std::nullopt;
        case Finding::NoEntry: return Fact{FactKind::ResolutionNotAsked, {text}};
        case Finding::EarlierAnswer: return std::nullopt;  // the caller judges by whom
        case Finding::StillAsking: return Fact{FactKind::ResolutionStillAsking, {text}};
        case Finding::FixedEntry: return Fact{FactKind::ResolutionFixedEntry, {text}};
        case Finding::CannotAsk:
            return Fact{FactKind::ResolutionUnavailable,
                        {text, platform::systemErrorText(holder.link->error)}};
    }
    return std::nullopt;
}

std::optional<Outcome> NotTheSameModule(const discovery::DeviceEntry& device,
                                        const Retries& retries, Events& events,
                                        FactKind instead) {
    const Occupant occupant = WhoAnswersAt(device.address.octets, retries);
    if (occupant.holds(device.mac)) return std::nullopt;
    const std::string mac = discovery::FormatMac(device.mac);
    if (const discovery::DeviceEntry* other = occupant.other(device.mac)) {
        events.note(Reason{
            {FactKind::OtherModuleNow, {discovery::FormatMac(other->mac), device.ipText, mac}},
            {instead, {}}});
        Outcome replaced = Failed(OutcomeKind::ModuleReplaced);
        replaced.mac = other->mac;
        replaced.address = device.address.octets;
        return replaced;
    }
    if (occupant.anythingAnswered()) {
        events.note(Reason{{FactKind::UnnamedAnswerNow, {device.ipText, mac}}, {instead, {}}});
    }
    return Failed(OutcomeKind::DeviceNotAnswering);
}

std::optional<discovery::DeviceEntry> FindModule(const discovery::MacAddress& mac,
                                                 const Retries& retries) {
    for (discovery::DeviceEntry& entry : broadcastSearch(retries).modules) {
        if (entry.mac == mac) return std::move(entry);
    }
    return std::nullopt;
}

}  // namespace quelvar::ops
