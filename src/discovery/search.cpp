// The search: a request on each adapter (or the one routed request), then
// every reply until a quiet second.
#include "discovery/search.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <utility>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"

namespace quelvar::discovery {

namespace {

using Clock = std::chrono::steady_clock;

constexpr platform::Ipv4Octets kLimitedBroadcast{255, 255, 255, 255};

// A socket the request went out on, and the adapter its replies come in on.
struct RequestSocket {
    platform::Socket socket;
    std::string adapter;
};

bool broadcastsOnItsOwn(const platform::NetworkAdapter& adapter) {
    return adapter.up && adapter.canBroadcast;
}

// The entries a request goes out on: one per adapter (its first address).
std::vector<std::size_t> requestTargets(const SearchScope& scope,
                                        const std::vector<AdapterRequest>& adapters) {
    std::vector<std::size_t> targets;
    std::vector<std::string> taken;
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        const platform::NetworkAdapter& adapter = adapters[i].adapter;
        if (std::find(taken.begin(), taken.end(), adapter.name) != taken.end()) continue;
        bool wanted = scope.adapter ? adapter.name == *scope.adapter && adapter.up
                                    : broadcastsOnItsOwn(adapter);
        if (!wanted) continue;
        taken.push_back(adapter.name);
        targets.push_back(i);
    }
    return targets;
}

// The search request from a fresh socket; `local` binds it to one adapter's
// address, so that the request leaves by that adapter and its replies come
// back to this socket alone.
// `opened` tells a socket layer that gave no socket from a request that
// could not go out.
int sendRequest(const SearchScope& scope, const std::optional<platform::Ipv4Octets>& local,
                platform::Socket& socket, bool& opened) {
    int error = 0;
    socket = OpenDiscoverySocket(error);
    opened = error == 0;
    if (error != 0) return error;
    if (local && (error = socket.bind(platform::Ipv4Endpoint{*local, 0})) != 0) return error;
    auto request = EncodeSearchRequest();
    return socket.sendTo(request.data(), request.size(),
                         platform::Ipv4Endpoint{scope.destination, kDiscoveryPort});
}

// One request from a socket bound to each target adapter's address. An
// adapter whose request could not go out (its address gone, no route) is for
// the diagnostics to name; only a socket layer that gives no socket at all is
// a socket error.
std::vector<RequestSocket> requestOnEachAdapter(const SearchScope& scope,
                                                const std::vector<std::size_t>& targets,
                                                SearchResult& result) {
    std::vector<RequestSocket> sockets;
    bool anyOpened = false;
    int openError = 0;
    for (std::size_t i : targets) {
        AdapterRequest& target = result.adapters[i];
        RequestSocket sent{{}, target.adapter.name};
        bool opened = false;
        target.error = sendRequest(scope, target.adapter.address, sent.socket, opened);
        target.requestSent = target.error == 0;
        anyOpened = anyOpened || opened;
        if (!opened) openError = target.error;
        if (target.requestSent) sockets.push_back(std::move(sent));
    }
    if (!anyOpened && !targets.empty()) result.error = openError;
    return sockets;
}

// The one request from an unbound socket, leaving by the adapter whose
// address the routing picked; its replies are taken as coming in there.
std::vector<RequestSocket> requestAsRouted(const SearchScope& scope,
                                           const std::optional<platform::Ipv4Octets>& routed,
                                           SearchResult& result) {
    std::vector<RequestSocket> sockets;
    RequestSocket sent;
    bool opened = false;
    int sendError = sendRequest(scope, std::nullopt, sent.socket, opened);
    if (!opened) {
        result.error = sendError;
        return sockets;
    }
    // A lost request ends like a search nobody answered.
    for (AdapterRequest& entry : result.adapters) {
        if (routed && entry.adapter.address == *routed && sent.adapter.empty()) {
            entry.requestSent = sendError == 0;
            entry.error = sendError;
            sent.adapter = entry.adapter.name;
        }
    }
    sockets.push_back(std::move(sent));
    return sockets;
}

}  // namespace

bool ReceiveSearchReply(platform::Socket& socket, DeviceEntry& entry) {
    // Zeroed for each datagram, so a short reply leaves no bytes of an earlier one.
    std::array<std::uint8_t, kSearchReplySize> reply{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    if (socket.receiveFrom(reply.data(), reply.size(), received, from) != 0) return false;
    DecodeSearchReply(std::span(reply.data(), received), from, entry);
    return true;
}

namespace {

bool sameModule(const DeviceEntry& a, const DeviceEntry& b) {
    return a.mac == b.mac && a.address.octets == b.address.octets;
}

// The most repliers a search keeps count of beyond its list, so that a host
// flooding it with datagrams from ever new senders costs bounded memory.
constexpr std::size_t kMostTracked = 65536;

// A module answers every request it hears. When the request went out on
// several adapters that share one LAN, the module hears each of them and
// answers each: those replies are the tool's own doing and make one line.
// Replies that one request brought twice (a module that answers twice) stay
// as they came. So a reply is a line of its own only when its adapter has
// now brought more replies from that module (MAC and address) than there are
// lines of it.
class RepliesPerAdapter {
  public:
    explicit RepliesPerAdapter(std::size_t adapters) : adapters_(adapters) {}

    // Counts the reply; true when it makes a line of its own.
    bool counts(const DeviceEntry& entry, std::size_t adapter) {
        const std::pair key{entry.mac, platform::ipv4Number(entry.address.octets)};
        // Far beyond any list, only a flood of strangers: taken as they come.
        if (adapters_ < 2 || (seen_.size() >= kMostTracked && !seen_.contains(key))) return true;
        Seen& seen = seen_[key];
        seen.perAdapter.resize(adapters_);
        const int brought = ++seen.perAdapter[adapter];
        if (brought <= seen.lines) return false;
        ++seen.lines;
        return true;
    }

  private:
    struct Seen {
        int lines = 0;
        std::vector<int> perAdapter;
    };
    std::size_t adapters_;
    std::map<std::pair<MacAddress, std::uint32_t>, Seen> seen_;
};

// A repeated search that nobody answers ends after this many requests: a
// lost request or late replies cost a round or two, not five.
constexpr int kRoundsWhileNoneAnswers = 5;

// How the rounds of a repeated search have gone so far (see SearchScope::rounds).
class Rounds {
  public:
    // A request opened a new round.
    void begin() { newThisRound = false; }

    // A reply, from a module seen before or not, while `requests` have gone out.
    void heard(const SearchScope& scope, const DeviceEntry& entry, int requests) {
        if (scope.rounds < 2) return;
        const std::pair key{entry.mac, platform::ipv4Number(entry.address.octets)};
        if (replies_.size() >= kMostTracked && !replies_.contains(key)) return;
        auto [module, first] = replies_.try_emplace(key, Replies{requests, 0});
        ++module->second.count;
    }

    // The round that just fell quiet is over: whether to ask again.
    bool askAgain(const SearchScope& scope, const SearchResult& result) {
        if (result.requests >= scope.rounds) return false;
        // A later round that finds what the first missed, or fewer replies
        // from a module than requests went out since it first answered (a
        // module answers every request it hears, however late the answer
        // comes), shows a link that loses or delays: then every round allowed
        // is worth its second. (Later rounds over a range ask only the
        // addresses still silent.)
        const bool lateFind = newThisRound && result.requests > 1;
        lossy_ = lossy_ || lateFind || (scope.range.empty() && someReplyLost(result.requests));
        const bool wantedMissing =
            std::any_of(scope.wanted.begin(), scope.wanted.end(), [&](const MacAddress& mac) {
                return std::none_of(result.modules.begin(), result.modules.end(),
                                    [&](const DeviceEntry& entry) { return entry.mac == mac; });
            });
        // Nothing has answered so many requests: there is nothing to find.
        if (result.modules.empty()) return result.requests < kRoundsWhileNoneAnswers;
        return newThisRound || wantedMissing || lossy_;
    }

    // Once the link has shown itself lossy, every round waits out the quiet
    // second: a module that could not find the tool on the LAN stays silent
    // for three seconds before it tries again, so the rounds are spread out.
    bool quickRounds() const { return !lossy_; }
    bool lossy() const { return lossy_; }

    bool newThisRound = false;

  private:
    struct Replies {
        int firstRequest = 0;  // requests that had gone out when it first answered
        int count = 0;
    };

    bool someReplyLost(int requests) const {
        return std::any_of(replies_.begin(), replies_.end(), [&](const auto& module) {
            return module.second.count < requests - module.second.firstRequest + 1;
        });
    }

    std::map<std::pair<MacAddress, std::uint32_t>, Replies> replies_;
    bool lossy_ = false;
};

// Sends the request again on every socket it went out on before.
void requestAgain(const SearchScope& scope, std::vector<RequestSocket>& sockets) {
    auto request = EncodeSearchRequest();
    for (RequestSocket& entry : sockets) {
        // A lost repeat is no worse than a lost reply.
        static_cast<void>(entry.socket.sendTo(
            request.data(), request.size(),
            platform::Ipv4Endpoint{scope.destination, kDiscoveryPort}));
    }
}

}  // namespace

namespace {

// The requests of one round of a search over a range: one to each address
// that has not answered yet, kRangeSpacing apart.
std::vector<platform::Ipv4Octets> unanswered(const SearchScope& scope, const SearchResult& result) {
    std::vector<platform::Ipv4Octets> left;
    for (const platform::Ipv4Octets& address : scope.range) {
        const bool answered =
            std::any_of(result.modules.begin(), result.modules.end(),
                        [&](const DeviceEntry& entry) { return entry.address.octets == address; });
        if (!answered) left.push_back(address);
    }
    return left;
}

// One unbound socket for a search over a range; its requests are sent as the
// search goes. No adapter is named: the routing picks one for each address.
std::vector<RequestSocket> openForRange(SearchResult& result) {
    std::vector<RequestSocket> sockets;
    int error = 0;
    platform::Socket socket = OpenDiscoverySocket(error);
    if (error != 0) {
        result.error = error;
        return sockets;
    }
    sockets.push_back(RequestSocket{std::move(socket), std::string()});
    return sockets;
}

}  // namespace

SearchResult SearchForModules(const SearchScope& scope) {
    SearchResult result;
    const Clock::time_point deadline = Clock::now() + scope.timeLimit;
    const bool overRange = !scope.range.empty();

    int listError = 0;
    for (platform::NetworkAdapter& adapter : platform::listNetworkAdapters(listError)) {
        result.adapters.push_back(AdapterRequest{std::move(adapter)});
    }
    std::vector<RequestSocket> sockets;
    if (overRange) {
        sockets = openForRange(result);
    } else {
        std::vector<std::size_t> targets = requestTargets(scope, result.adapters);
        // The request goes out once per adapter only when the routed broadcast
        // would miss one: a machine with a single adapter keeps the one request
        // from an unbound socket, exactly as it always had.
        std::optional<platform::Ipv4Octets> routed = platform::routeSourceFor(scope.destination);
        bool missesOne = std::any_of(targets.begin(), targets.end(), [&](std::size_t i) {
            return !routed || result.adapters[i].adapter.address != *routed;
        });
        result.everyAdapter =
            scope.adapter.has_value() || (scope.destination == kLimitedBroadcast && missesOne);
        sockets = result.everyAdapter ? requestOnEachAdapter(scope, targets, result)
                                      : requestAsRouted(scope, routed, result);
    }
    if (result.error != 0) return result;
    if (sockets.empty()) return result;  // no adapter to search on
    result.requests = 1;

    // A search over a range sends its requests as it goes; a broadcast search
    // has sent its first already.
    std::vector<platform::Ipv4Octets> pending = overRange ? scope.range : std::vector<platform::Ipv4Octets>{};
    std::size_t nextPending = 0;
    Clock::time_point nextSend = Clock::now();
    const auto request = EncodeSearchRequest();

    std::vector<platform::Socket*> waited;
    for (RequestSocket& entry : sockets) waited.push_back(&entry.socket);
    std::vector<bool> readable;
    Clock::time_point lastActivity = Clock::now();
    Rounds rounds;
    RepliesPerAdapter perAdapter(sockets.size());
    for (;;) {
        Clock::time_point now = Clock::now();
        // Bounded by the range: a few requests a pass, each when it is due.
        for (int burst = 0; burst < 8 && nextPending < pending.size() && now >= nextSend; ++burst) {
            // A lost request shows as a missing reply.
            static_cast<void>(sockets[0].socket.sendTo(
                request.data(), request.size(),
                platform::Ipv4Endpoint{pending[nextPending++], kDiscoveryPort}));
            nextSend += kRangeSpacing;
            lastActivity = now = Clock::now();
        }
        const bool sending = nextPending < pending.size();
        // A round that brought new modules, when more may follow, ends after a
        // short pause; otherwise only a quiet second ends a round.
        const bool quick =
            rounds.newThisRound && rounds.quickRounds() && result.requests < scope.rounds;
        const Clock::time_point quietUntil =
            sending ? nextSend : lastActivity + (quick ? kRoundPause : kDiscoveryTimeout);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
        if (left <= std::chrono::milliseconds::zero()) {
            result.timeLimitReached = true;
            return result;
        }
        auto quiet = std::chrono::ceil<std::chrono::milliseconds>(quietUntil - now);
        if (quiet < std::chrono::milliseconds::zero()) quiet = std::chrono::milliseconds::zero();
        result.error = platform::waitAnyReadable(waited, std::min(quiet, left), readable);
        if (result.error != 0) return result;
        if (std::none_of(readable.begin(), readable.end(), [](bool ready) { return ready; })) {
            if (quiet > left) {
                result.timeLimitReached = true;  // the wait ran into the limit
                return result;
            }
            if (sending) continue;
            const bool again = rounds.askAgain(scope, result);
            result.lossy = rounds.lossy();
            if (!again) return result;
            if (overRange) {
                pending = unanswered(scope, result);
                nextPending = 0;
                nextSend = Clock::now();
            } else {
                requestAgain(scope, sockets);
            }
            ++result.requests;
            rounds.begin();
            lastActivity = Clock::now();
            continue;
        }
        // Replies that came in together on several adapters are taken one per
        // adapter in turn, so a busy adapter cannot starve another.
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            if (!readable[i]) continue;
            // Every datagram counts as activity, one that fails to be read too.
            lastActivity = Clock::now();
            DeviceEntry entry;
            if (!ReceiveSearchReply(sockets[i].socket, entry)) continue;
            entry.adapter = sockets[i].adapter;
            rounds.heard(scope, entry, result.requests);
            if (scope.mergeRepeats
                    ? std::any_of(result.modules.begin(), result.modules.end(),
                                  [&](const DeviceEntry& kept) { return sameModule(kept, entry); })
                    : !perAdapter.counts(entry, i)) {
                continue;
            }
            rounds.newThisRound = true;
            if (result.modules.size() >= scope.capacity) {
                ++result.dropped;
                continue;
            }
            result.modules.push_back(std::move(entry));
        }
    }
}

}  // namespace quelvar::discovery
