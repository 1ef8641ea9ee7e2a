// Who answers at one address: status queries and addressed search requests.
// Any datagram that comes back says the address is held; a probe that could
// not ask (no socket, a send or a wait that failed) says so, and never passes
// for one that nobody answered.
#include "discovery/probe.h"

#include <algorithm>
#include <optional>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"
#include "platform/network_adapters.h"

namespace quelvar::discovery {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Which = ProbeSockets::Which;

// After the first search reply, a moment for a second module at the same
// address (two modules that left the factory alike) to answer too.
constexpr auto kSecondReply = 200ms;

class RealSockets : public ProbeSockets {
  public:
    int open(Which which) override {
        int error = 0;
        sockets_[which] = OpenDiscoverySocket(error);
        // Refusals tell a host that is there from an address nobody holds.
        if (error == 0) static_cast<void>(sockets_[which].setReportNetworkErrors(true));
        return error;
    }
    int send(Which which, std::span<const std::uint8_t> datagram,
             const platform::Ipv4Endpoint& to) override {
        return sockets_[which].sendTo(datagram.data(), datagram.size(), to);
    }
    int wait(std::chrono::milliseconds timeout, std::array<bool, 2>& readable) override {
        std::vector<platform::Socket*> open;
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < sockets_.size(); ++i) {
            if (!sockets_[i].isOpen()) continue;
            open.push_back(&sockets_[i]);
            which.push_back(i);
        }
        std::vector<bool> ready;
        readable = {false, false};
        const int error = platform::waitAnyReadable(open, timeout, ready);
        for (std::size_t i = 0; error == 0 && i < ready.size(); ++i) readable[which[i]] = ready[i];
        return error;
    }
    int receive(Which which, std::span<std::uint8_t> buffer, std::size_t& received,
                platform::Ipv4Endpoint& from) override {
        return sockets_[which].receiveFrom(buffer.data(), buffer.size(), received, from);
    }

  private:
    std::array<platform::Socket, 2> sockets_;
};

// One probe of one address through its sockets.
class Asking {
  public:
    // `statusRepliesOnly`: only a status reply (at most 124 bytes) answers.
    Asking(const platform::Ipv4Octets& address, ProbeSockets& sockets,
           bool statusRepliesOnly = false)
        : target_{address, kDiscoveryPort},
          sockets_(sockets),
          statusRepliesOnly_(statusRepliesOnly) {}

    bool open(Which which) { return ok(sockets_.open(which)); }

    bool send(Which which) {
        const auto datagram = which == Which::Status ? EncodeStatusQuery() : EncodeSearchRequest();
        if (!ok(sockets_.send(which, datagram, target_))) return false;
        if (probe.firstSent == Clock::time_point{}) probe.firstSent = Clock::now();
        return true;
    }

    // Takes what comes until `until`; a search reply brings the end forward
    // by kSecondReply, and so does any answer when `firstAnswerEnds`. False
    // once the probe cannot tell.
    bool listen(Clock::time_point until, bool firstAnswerEnds) {
        // Bounded by time; each pass reads at least one datagram or ends.
        for (int pass = 0; pass < 1024; ++pass) {
            if (firstAnswerEnds && probe.answered) return true;
            // A host that refuses the requests is there, and no module is.
            if (probe.refused) return true;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
            if (left <= 0ms) return true;
            std::array<bool, 2> readable{};
            if (!ok(sockets_.wait(left, readable))) return false;
            if (readable[Which::Status] && !takeStatusAnswer()) return false;
            if (readable[Which::Search]) {
                const std::size_t known = probe.modules.size();
                if (!takeSearchAnswer()) return false;
                if (probe.modules.size() > known && !firstSearchReply_) {
                    firstSearchReply_ = true;
                    until = std::min(until, Clock::now() + kSecondReply);
                }
            }
        }
        return true;
    }

    bool moduleNamed() const { return !probe.modules.empty(); }
    // Nothing more to learn: a module said who it is, or a host refused.
    bool settled() const { return moduleNamed() || probe.refused; }

    Probe probe;

  private:
    bool ok(int error) {
        if (error == 0) return true;
        probe.error = error;
        return false;
    }

    // A receive that failed because of what the network answered: a host
    // that refused (it is there), or nobody reachable there (as silence).
    bool networkAnswered(int error) {
        if (error == platform::socket_error::kDatagramRefused) {
            probe.refused = true;
            return true;
        }
        return platform::socket_error::isUnreachable(error);
    }

    // Whatever reaches the status socket answers the query: a status reply's
    // contents, and even its length, promise nothing.
    bool takeStatusAnswer() {
        std::array<std::uint8_t, kStatusReplySize> reply{};
        std::size_t received = 0;
        platform::Ipv4Endpoint from;
        const int error = sockets_.receive(Which::Status, reply, received, from);
        if (networkAnswered(error)) return true;
        if (error != 0 && error != platform::socket_error::kMessageTooLong) return ok(error);
        probe.answered = error == 0 || !statusRepliesOnly_;
        return true;
    }

    // Only an answer from the address asked counts; one too long to be a
    // search reply still says that something is there.
    bool takeSearchAnswer() {
        std::array<std::uint8_t, kSearchReplySize> reply{};
        std::size_t received = 0;
        platform::Ipv4Endpoint from;
        const int error = sockets_.receive(Which::Search, reply, received, from);
        if (networkAnswered(error)) return true;
        if (error != 0 && error != platform::socket_error::kMessageTooLong) return ok(error);
        if (from.octets != target_.octets) return true;
        if (error != 0) {
            probe.answered = true;
            return true;
        }
        DeviceEntry entry;
        DecodeSearchReply(std::span(reply.data(), received), from, entry);
        const bool known = std::any_of(probe.modules.begin(), probe.modules.end(),
                                       [&](const DeviceEntry& kept) { return kept.mac == entry.mac; });
        if (!known) probe.modules.push_back(entry);
        return true;
    }

    platform::Ipv4Endpoint target_;
    ProbeSockets& sockets_;
    bool statusRepliesOnly_;
    bool firstSearchReply_ = false;
};

}  // namespace

Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries, ProbeSockets& sockets) {
    Asking asking(address, sockets);
    if (tries == 0) return asking.probe;
    if (!asking.open(Which::Status) || !asking.open(Which::Search)) return asking.probe;
    Clock::time_point end = Clock::now();
    for (unsigned sent = 0; sent < tries && !asking.settled(); ++sent) {
        if (!asking.send(Which::Status) || !asking.send(Which::Search)) return asking.probe;
        const Clock::time_point now = Clock::now();
        end = now + kDiscoveryTimeout;  // replies to the last try get the full second
        const Clock::time_point until = sent + 1 < tries ? now + kProbeSpacing : end;
        if (!asking.listen(until, false)) return asking.probe;
    }
    if (!asking.settled()) asking.listen(end, false);
    return asking.probe;
}

Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries) {
    RealSockets sockets;
    return ProbeAddress(address, tries, sockets);
}

Probe ProbeAddressOnce(const platform::Ipv4Octets& address, ProbeSockets& sockets) {
    Asking asking(address, sockets);
    if (!asking.open(Which::Status) || !asking.send(Which::Status) ||
        !asking.listen(Clock::now() + kDiscoveryTimeout, true) || !asking.probe.answered) {
        return asking.probe;
    }
    if (asking.open(Which::Search) && asking.send(Which::Search)) {
        asking.listen(Clock::now() + kDiscoveryTimeout, false);
    }
    return asking.probe;
}

Probe ProbeAddressOnce(const platform::Ipv4Octets& address) {
    RealSockets sockets;
    return ProbeAddressOnce(address, sockets);
}

bool StatusAnsweredWithin(const platform::Ipv4Octets& address, unsigned tries,
                          ProbeSockets& sockets, unsigned* queries) {
    Asking asking(address, sockets, true);
    if (tries == 0 || !asking.open(Which::Status)) return false;
    for (unsigned sent = 0; sent < tries && !asking.probe.answered; ++sent) {
        if (queries != nullptr) *queries = sent + 1;
        if (!asking.send(Which::Status)) return false;
        const auto wait = sent + 1 < tries ? kProbeSpacing : kDiscoveryTimeout;
        if (!asking.listen(Clock::now() + wait, true)) return false;
    }
    return asking.probe.answered;
}

bool StatusAnsweredWithin(const platform::Ipv4Octets& address, unsigned tries,
                          unsigned* queries) {
    RealSockets sockets;
    return StatusAnsweredWithin(address, tries, sockets, queries);
}

}  // namespace quelvar::discovery
