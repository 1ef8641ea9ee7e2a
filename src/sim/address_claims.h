#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/ipv4.h"

namespace quelvar::sim {

// The addresses simulated modules hold on one network adapter of the farm's
// namespace. A module's address is on the adapter exactly while a module
// lives there, so the namespace's kernel answers ARP for it as the module
// itself would on a LAN, and an address no module holds stays unanswered.
// Added and removed over rtnetlink; only addresses this object added are
// ever removed. Not thread-safe: the farm calls it from one thread at a time.
class AddressClaims {
  public:
    explicit AddressClaims(std::string adapterName);
    ~AddressClaims();  // releases everything still held
    AddressClaims(const AddressClaims&) = delete;
    AddressClaims& operator=(const AddressClaims&) = delete;

    // Finds the adapter and the prefix length of its first IPv4 address,
    // which every address claimed on it takes. 0 or the error number: ENODEV
    // when there is no such adapter, EADDRNOTAVAIL when it has no IPv4
    // address (and so no subnet for the modules to join).
    int open();

    // Puts `address` on the adapter for one more holder. An address already
    // there (put there by someone else, or held by another module) is used
    // as it is. Addresses in 127.0.0.0/8 are local to every namespace already
    // and are never added. 0 or the error number.
    int claim(const platform::Ipv4Octets& address);
    // One holder less; when none is left, takes the address off the adapter
    // if this object put it there.
    void release(const platform::Ipv4Octets& address);
    // Takes off every address this object put on the adapter.
    void releaseAll();

  private:
    struct Holding {
        int holders = 0;
        bool added = false;  // false: it was on the adapter before
    };

    int addAddress(std::uint32_t address);
    int removeAddress(std::uint32_t address);
    // Adds or removes `number` on the adapter and waits for the kernel's
    // acknowledgement: 0 or the error number it carries.
    int request(std::uint16_t type, std::uint16_t flags, std::uint32_t number);

    std::string adapterName_;
    int adapterIndex_ = 0;
    std::uint8_t prefixLength_ = 32;
    int netlink_ = -1;
    std::uint32_t sequence_ = 0;
    std::map<std::uint32_t, Holding> held_;
};

}  // namespace quelvar::sim
