#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/module.h"

namespace quelvar::sim {

// What a module saw: for the tests' assertions on the exact wire bytes.
struct ReceivedDatagram {
    int module;                     // index of the module that took it; -1: no module holds its address
    platform::Ipv4Endpoint from;
    platform::Ipv4Endpoint to;      // local address and port it arrived on
    Bytes bytes;
};

// A farm of simulated modules on 127.0.0.2 and up, served by background
// threads until stopped. Only for use inside a private network namespace.
class Farm {
public:
    explicit Farm(std::vector<ModuleConfig> modules);
    ~Farm();
    Farm(const Farm&) = delete;
    Farm& operator=(const Farm&) = delete;

    // Binds every socket and starts serving; 0 or the socket error number
    // (EADDRNOTAVAIL when a module's address is outside 127.0.0.0/8), or the
    // error of putting a module's address on the adapter of
    // claimAddressesOn (EINVAL when that is set without allowAnyAddress).
    // Returns only when every module is ready to answer. A module whose web
    // port cannot be bound for lack of privileges simply has no web page.
    // stop() ends every thread within a few hundred milliseconds; the
    // destructor stops.
    int start();
    void stop();

    std::size_t size() const;
    // Current state of a module (its address changes after an IP-SETUP, or a
    // reset of a module that moves on reset). After a replacement
    // (ModuleConfig::replacedAfterRecord): the module that took its place.
    ModuleConfig module(int index) const;
    // The module that was replaced at this index, as it was when it left
    // (the records written into it included); nullopt while none was.
    std::optional<ModuleConfig> replacedModule(int index) const;

    // Lets modules live at, and answer, addresses outside 127.0.0.0/8 (set
    // before start). Only for a private namespace whose every address the
    // caller made, such as the multi-adapter test's veth links.
    void allowAnyAddress(bool allow);

    // Puts each module's address on the network adapter `adapterName` of the
    // farm's namespace while the module lives there: from start, or when it
    // moves there (IP-SETUP, a move on reset), until it leaves or the farm
    // stops. The namespace then answers ARP for exactly the addresses that
    // modules hold, as the modules would on a LAN, and not for those kept
    // free. An address already on the adapter is used and left there.
    // Addresses in 127.0.0.0/8 are never put there. Set before start, and
    // only together with allowAnyAddress. A module that cannot take its new
    // address there is unreachable.
    void claimAddressesOn(const std::string& adapterName);

    // The faults of the path between the tool and every module that has no
    // faults of its own (ModuleConfig::linkFaults); set before start. Its
    // seed also seeds the noise of those modules' status replies. Default:
    // no faults, seed 0.
    void setLinkFaults(const LinkFaults& faults);

    // Every datagram the modules took (not those their link lost, and those
    // it delayed once they arrived), and those sent to port 30718 of an
    // address in 127.0.0.0/8 that no module holds, for tests. A long-running farm turns
    // this off (before start) so that its memory does not grow with each search.
    void keepDatagrams(bool keep);
    std::vector<ReceivedDatagram> receivedDatagrams() const;
    // Every byte the module's monitor port received, connection after
    // connection. These counts are the index's: a replaced module's and its
    // replacement's together.
    Bytes monitorBytesReceived(int index) const;
    int monitorConnections(int index) const;
    int resets(int index) const;
    // What the link faults did to a module's traffic so far.
    LinkCounts linkCounts(int index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace quelvar::sim
