// Giving a module a new address.
#include "ops/set_ip_address.h"

#include "discovery/discovery_socket.h"
#include "discovery/ip_setup.h"
#include "discovery/reachability.h"
#include "ops/network_reach.h"
#include "ops/search.h"
#include "ops/whereabouts.h"

namespace quelvar::ops {

namespace {

// Status queries at the new address, of the ten in all, before a command
// that may have been lost is sent again.
constexpr unsigned kQueriesBeforeResend = 3;
constexpr unsigned kQueriesAtNewAddress = 10;

// Something other than the module already holding the new address: two
// devices at one address lose one of them. Asked before anything is sent; a
// blank address (0.0.0.0) goes out as it always did. Silence alone is no
// proof: on a LAN of this PC a host that answers nothing still answers
// address resolution, and a host that refuses the query is there too.
std::optional<Outcome> addressInUse(const discovery::DeviceEntry& device,
                                    const platform::Ipv4Octets& newAddress,
                                    const Retries& retries, Events& events) {
    if (newAddress == platform::Ipv4Octets{} || newAddress == device.address.octets) {
        return std::nullopt;
    }
    const AddressHolder holder = WhoHolds(newAddress, retries);
    const Occupant& occupant = holder.occupant;
    Outcome outcome = Failed(OutcomeKind::AddressInUse);
    outcome.address = newAddress;
    if (occupant.anythingAnswered()) {
        // Any answer, whatever it holds, says the address is taken.
        const discovery::DeviceEntry* other = occupant.other(device.mac);
        // Only the module itself answers there (it has moved already): not in use.
        if (other == nullptr && occupant.holds(device.mac)) return std::nullopt;
        if (other != nullptr) {
            outcome.mac = other->mac;
            outcome.holder = AddressHolderKind::Module;
        }
        return outcome;
    }
    if (occupant.refused) {
        outcome.holder = AddressHolderKind::Refusing;
        return outcome;
    }
    // A check that could not ask says nothing either way, and nothing may go out then.
    if (occupant.error != 0) {
        outcome = Failed(OutcomeKind::AddressCheckFailed, occupant.error);
        outcome.address = newAddress;
        return outcome;
    }
    using Finding = platform::LinkHolder::Finding;
    if (holder.link && holder.link->finding == Finding::Answered &&
        holder.link->hardware != device.mac) {
        outcome.mac = holder.link->hardware;
        outcome.holder = AddressHolderKind::Station;
        return outcome;
    }
    // Another device answered for it a short while ago, and the system does
    // not ask again yet: gone or there, it cannot be told; nothing goes out.
    if (holder.link && holder.link->finding == Finding::EarlierAnswer &&
        holder.link->hardware != device.mac) {
        Outcome lately = Failed(
            OutcomeKind::AddressHeldLately,
            static_cast<int>(
                std::chrono::duration_cast<std::chrono::seconds>(holder.link->sinceAnswer).count()));
        lately.mac = holder.link->hardware;
        lately.address = newAddress;
        return lately;
    }
    if (std::optional<Fact> note = LinkNote(newAddress, holder)) events.note(*note);
    return std::nullopt;
}

// The module as it was, at its new address.
discovery::DeviceEntry movedTo(const discovery::DeviceEntry& device,
                               const platform::Ipv4Octets& newAddress) {
    discovery::DeviceEntry moved = device;
    moved.address.octets = newAddress;
    moved.ipText = platform::formatIpv4(newAddress);
    return moved;
}

// Which module answers at the new address, now that something does.
SetIpResult judgeNewAddress(const discovery::DeviceEntry& device,
                            const platform::Ipv4Octets& newAddress, const Retries& retries,
                            Events& events) {
    SetIpResult judged;
    Occupant occupant = WhoAnswersAt(newAddress, retries);
    for (const discovery::DeviceEntry& entry : occupant.modules) {
        if (entry.mac == device.mac) judged.module = entry;
    }
    if (judged.module) return judged;
    if (const discovery::DeviceEntry* other = occupant.other(device.mac)) {
        judged.outcome = Failed(OutcomeKind::OtherModuleAtNewAddress);
        judged.outcome.mac = other->mac;
        return judged;
    }
    // Answered a status query, but no search: it cannot be told which module
    // it is. Nothing else answered there before the command went out.
    events.note(Fact{FactKind::UnconfirmedAtNewAddress, {platform::formatIpv4(newAddress)}});
    judged.module = movedTo(device, newAddress);
    return judged;
}

}  // namespace

SetIpResult SetIpAddress(const discovery::DeviceEntry& device,
                         const platform::Ipv4Octets& newAddress, const Retries& retries,
                         Events& events) {
    Retries checking = retries;
    if (!CheckAnswers(device.address.octets, retries, events, checking.linkShownLossy)) {
        return {Failed(OutcomeKind::DeviceNotAnswering), std::nullopt};
    }
    if (std::optional<Outcome> inUse = addressInUse(device, newAddress, checking, events)) {
        events.alert(*inUse);
        return {*inUse, std::nullopt};
    }

    events.begun(Operation::SetIpAddress);
    events.log("Set IP address:start.\r\n");
    events.stage(Stage::Begun);

    int error = 0;
    platform::Socket socket = discovery::OpenDiscoverySocket(error);
    if (error != 0) {
        ReportSocketError(events, error);
        events.stage(Stage::Ended);
        return {Failed(OutcomeKind::SocketError, error), std::nullopt};
    }
    events.stage(Stage::SocketOpened);
    events.log("Set IP...");
    events.stage(Stage::CommandBuilt);

    bool answered = false;
    unsigned queriesLeft = kQueriesAtNewAddress;
    for (unsigned send = 1;; ++send) {
        // Sent to the address and port the search reply came from; nothing
        // answers it. A send that failed never reached the module: say so
        // rather than go on as if it had.
        if (int failure = discovery::SendIpSetup(socket, device, newAddress)) {
            ReportSocketError(events, failure);
            events.stage(Stage::Ended);
            return {Failed(OutcomeKind::SocketError, failure), std::nullopt};
        }
        if (send == 1) {
            events.log("success.\r\n");
            events.stage(Stage::CommandSent);
            events.log("ping:");
            events.stage(Stage::AwaitingModule);
        } else {
            events.log("Set IP...success.\r\nping:");
        }
        const bool last = send >= retries.ipSetupSends;
        const unsigned queries = last ? queriesLeft : std::min(kQueriesBeforeResend, queriesLeft);
        answered = AnswersAgain(newAddress, queries, checking);
        queriesLeft -= queries;
        if (answered || last || queriesLeft == 0) break;
        // A lost command leaves the module where it was; a module on its way
        // (or restarting) is given the rest of the queries instead.
        if (!WhoAnswersAt(device.address.octets, retries).holds(device.mac)) {
            answered = AnswersAgain(newAddress, queriesLeft, checking);
            break;
        }
        events.log("error !\r\n");
        events.note(Fact{FactKind::IpSetupResent, {device.ipText}});
    }
    events.log(answered ? "success:\r\n" : "error !\r\n");
    events.stage(Stage::ModuleAwaited);

    // An address outside this PC's networks was known not to answer here.
    const bool unreachable = OutsideAfterChange(device, newAddress).has_value();
    SetIpResult result{
        Failed(unreachable ? OutcomeKind::GivenNotConfirmed : OutcomeKind::NotAtNewAddress),
        std::nullopt};
    if (answered && retries.confirmWhereabouts) {
        result = judgeNewAddress(device, newAddress, retries, events);
    } else if (answered) {
        result = {Succeeded(), movedTo(device, newAddress)};
    }
    events.finished();
    events.stage(Stage::Ended);
    events.log("\r\nSet IP address:end.\r\n");
    return result;
}

}  // namespace quelvar::ops
