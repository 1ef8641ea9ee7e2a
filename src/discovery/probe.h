#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "discovery/device_table.h"
#include "platform/ipv4.h"

namespace quelvar::discovery {

// What answers at one address. Any datagram that comes back, whatever its
// length or content, says that something holds the address; only a search
// reply says which module it is (its MAC address). A "port unreachable"
// answer says that a host is there, though not a module.
struct Probe {
    bool answered = false;             // something answered, if only with an odd datagram
    std::vector<DeviceEntry> modules;  // search replies from the address, one per MAC
    bool refused = false;              // a host there refused the datagrams (port unreachable)
    // When the first datagram went out: answers the system's address
    // resolution got since then are this probe's too.
    std::chrono::steady_clock::time_point firstSent{};
    // Nothing answered and the probe could not tell why: a socket could not
    // be opened, a request could not be sent, a wait or a receive failed.
    // The socket layer's number; 0 when the probe asked as it meant to.
    int error = 0;

    bool anythingAnswered() const { return answered || !modules.empty(); }
};

// The two datagram sockets a probe works through, one for status queries
// and one for search requests. Tests put sockets in their place that fail
// at a chosen step.
class ProbeSockets {
  public:
    enum Which { Status = 0, Search = 1 };
    virtual ~ProbeSockets() = default;
    virtual int open(Which which) = 0;
    virtual int send(Which which, std::span<const std::uint8_t> datagram,
                     const platform::Ipv4Endpoint& to) = 0;
    // Waits until an open socket is readable or `timeout` has passed.
    virtual int wait(std::chrono::milliseconds timeout, std::array<bool, 2>& readable) = 0;
    // One datagram of at most `buffer.size()` bytes; a longer one is taken
    // all the same and fails with platform::socket_error::kMessageTooLong,
    // its beginning in the buffer and its sender in `from`.
    virtual int receive(Which which, std::span<std::uint8_t> buffer, std::size_t& received,
                        platform::Ipv4Endpoint& from) = 0;
};

// Asks the address with a status query and a search request addressed to it,
// both at once, up to `tries` times kProbeSpacing apart, and listens until a
// second after the last try. A search reply ends it (a moment later, for a
// second module at the same address); an answer that names no module does
// not, so a device that answers only status queries costs every try. Nothing
// answering after all tries is the one sign that the address is free, so on
// a lossy link `tries` should be several: each try is a fresh chance for the
// answers to get through.
inline constexpr std::chrono::milliseconds kProbeSpacing{300};
Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries);
Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries, ProbeSockets& sockets);

// The lightest question that still tells: one status query, answered or not
// within the second; only when something answered, one search request
// addressed there, to learn which module it is.
Probe ProbeAddressOnce(const platform::Ipv4Octets& address);
Probe ProbeAddressOnce(const platform::Ipv4Octets& address, ProbeSockets& sockets);

// The check that a module answers, as it is made over a rough link: up to
// `tries` status queries from one socket, kProbeSpacing apart, listening
// until a second after the last; true at the first status reply (at most 124
// bytes, from wherever it comes). A lost query or reply costs 300 ms rather
// than a second's time-out and a second's pause.
// `queries`, when given, tells how many went out: more than one, and the
// link has lost or held back an answer a module on a LAN gives at once.
bool StatusAnsweredWithin(const platform::Ipv4Octets& address, unsigned tries,
                          unsigned* queries = nullptr);
bool StatusAnsweredWithin(const platform::Ipv4Octets& address, unsigned tries,
                          ProbeSockets& sockets, unsigned* queries = nullptr);

}  // namespace quelvar::discovery
