// The kernel's neighbour table, read over rtnetlink: a dump of the IPv4
// entries, which any user may ask for. Nothing of the table is changed and
// nothing is sent to the LAN: the kernel asked already, for the datagrams
// that went to the address.
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/address_resolution.h"
#include "platform/process.h"

namespace quelvar::platform {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// One entry of the table for the address asked about.
struct TableEntry {
    std::uint16_t state = 0;
    bool hasHardware = false;
    std::array<std::uint8_t, 6> hardware{};
    std::optional<Clock::duration> sinceConfirmed;
    int interfaceIndex = 0;
};

// How often the table is read while the kernel is still asking.
constexpr auto kReadEvery = 50ms;
// The kernel's confirmation age comes in clock ticks (10 ms): an answer a
// tick before `since` may still be one of this check's.
constexpr auto kTickSlack = 20ms;
// When the kernel's own settings cannot be read: three requests a second apart.
constexpr auto kUsualAsking = 3s;
constexpr auto kUsualPause = 5s;  // before the kernel asks again about a stale entry
constexpr auto kLongestAsking = 12s;
// Bounds on one dump, whatever the table holds.
constexpr int kMostReceives = 4096;

class NetlinkSocket {
  public:
    NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
        if (fd_ < 0) return;
        timeval timeout{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    ~NetlinkSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;
    int fd() const { return fd_; }

  private:
    int fd_;
};

void readAttributes(const nlmsghdr* header, const Ipv4Octets& address,
                    std::vector<TableEntry>& entries) {
    const auto* message = static_cast<const ndmsg*>(NLMSG_DATA(header));
    if (message->ndm_family != AF_INET) return;
    TableEntry entry;
    entry.state = message->ndm_state;
    entry.interfaceIndex = message->ndm_ifindex;
    bool forAddress = false;
    int length = static_cast<int>(header->nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof *message));
    for (const rtattr* attribute = reinterpret_cast<const rtattr*>(
             reinterpret_cast<const char*>(message) + NLMSG_ALIGN(sizeof *message));
         RTA_OK(attribute, length); attribute = RTA_NEXT(attribute, length)) {
        const void* data = RTA_DATA(attribute);
        const std::size_t size = RTA_PAYLOAD(attribute);
        if (attribute->rta_type == NDA_DST && size == 4) {
            forAddress = std::memcmp(data, address.data(), 4) == 0;
        } else if (attribute->rta_type == NDA_LLADDR && size == entry.hardware.size()) {
            std::memcpy(entry.hardware.data(), data, size);
            entry.hasHardware = true;
        } else if (attribute->rta_type == NDA_CACHEINFO && size >= sizeof(nda_cacheinfo)) {
            nda_cacheinfo cache{};
            std::memcpy(&cache, data, sizeof cache);
            const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
            if (ticksPerSecond > 0) {
                entry.sinceConfirmed = std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(static_cast<double>(cache.ndm_confirmed) /
                                                  static_cast<double>(ticksPerSecond)));
            }
        }
    }
    if (forAddress) entries.push_back(entry);
}

// The table's entries for `address` (one per adapter that has one); 0 or
// the system's error number.
int readTable(const Ipv4Octets& address, std::vector<TableEntry>& entries) {
    entries.clear();
    NetlinkSocket netlink;
    if (netlink.fd() < 0) return errno;
    struct {
        nlmsghdr header;
        ndmsg message;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.message.ndm_family = AF_INET;
    if (::send(netlink.fd(), &request, sizeof request, 0) < 0) return errno;

    std::vector<char> buffer(32768);
    for (int receives = 0; receives < kMostReceives; ++receives) {
        ssize_t received = ::recv(netlink.fd(), buffer.data(), buffer.size(), 0);
        if (received < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // Message by message; each says its own length, bounded by what came.
        for (std::size_t at = 0; at + sizeof(nlmsghdr) <= static_cast<std::size_t>(received);) {
            const auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data() + at);
            if (header->nlmsg_len < sizeof(nlmsghdr) ||
                at + header->nlmsg_len > static_cast<std::size_t>(received)) {
                break;
            }
            at += NLMSG_ALIGN(header->nlmsg_len);
            if (header->nlmsg_type == NLMSG_DONE) return 0;
            if (header->nlmsg_type == NLMSG_ERROR) {
                const auto* failure = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
                return failure->error == 0 ? 0 : -failure->error;
            }
            if (header->nlmsg_type == RTM_NEWNEIGH) readAttributes(header, address, entries);
        }
    }
    return EOVERFLOW;
}

// A number from the adapter's ARP settings; nullopt when it cannot be read.
std::optional<long> neighbourSetting(int interfaceIndex, const char* name) {
    char interfaceName[IF_NAMESIZE] = {};
    if (::if_indextoname(static_cast<unsigned>(interfaceIndex), interfaceName) == nullptr) {
        return std::nullopt;
    }
    std::ifstream file(std::string("/proc/sys/net/ipv4/neigh/") + interfaceName + "/" + name);
    long value = 0;
    if (!(file >> value)) return std::nullopt;
    return value;
}

// How long the kernel asks on the adapter before it gives up: its requests
// (broadcast for an address it never knew, unicast to the old holder after
// a first pause for one grown stale, and to the resolving program) a
// retransmission time apart.
Clock::duration askingTime(int interfaceIndex, bool again) {
    const auto requests = neighbourSetting(interfaceIndex, again ? "ucast_solicit" : "mcast_solicit");
    const auto helper = neighbourSetting(interfaceIndex, "app_solicit");
    const auto gap = neighbourSetting(interfaceIndex, "retrans_time_ms");
    const std::optional<long> pause =
        again ? neighbourSetting(interfaceIndex, "delay_first_probe_time") : std::optional<long>(0);
    if (!requests || !gap || !pause) return again ? kUsualAsking + kUsualPause : kUsualAsking;
    const auto asking = std::chrono::milliseconds((*requests + helper.value_or(0)) * *gap) +
                        std::chrono::seconds(*pause);
    return std::clamp<Clock::duration>(asking, 0ms, kLongestAsking);
}

bool answeredSince(const TableEntry& entry, Clock::time_point since, Clock::time_point now) {
    constexpr std::uint16_t kHeard = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE;
    return (entry.state & kHeard) != 0 && entry.hasHardware && entry.sinceConfirmed &&
           now - *entry.sinceConfirmed >= since - kTickSlack;
}

}  // namespace

LinkHolder askLinkHolder(const Ipv4Octets& address, Clock::time_point since) {
    constexpr std::uint16_t kHeard = NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE;
    LinkHolder holder;
    std::optional<Clock::time_point> giveUp;
    // Bounded by the time the kernel asks, itself bounded.
    for (int reads = 0; reads < 1000; ++reads) {
        std::vector<TableEntry> entries;
        const Clock::time_point now = Clock::now();
        if (int error = readTable(address, entries)) {
            holder.finding = LinkHolder::Finding::CannotAsk;
            holder.error = error;
            return holder;
        }
        if (entries.empty()) {
            holder.finding = LinkHolder::Finding::NoEntry;
            return holder;
        }
        const TableEntry* earlier = nullptr;
        bool asking = false;
        for (const TableEntry& entry : entries) {
            if (answeredSince(entry, since, now)) {
                holder.finding = LinkHolder::Finding::Answered;
                holder.hardware = entry.hardware;
                return holder;
            }
            if ((entry.state & (NUD_PERMANENT | NUD_NOARP)) != 0) {
                holder.finding = LinkHolder::Finding::FixedEntry;
                return holder;
            }
            // Being asked: a first time, or again after an old answer.
            asking = asking || (entry.state & (NUD_INCOMPLETE | NUD_DELAY | NUD_PROBE)) != 0;
            if ((entry.state & kHeard) != 0 && entry.hasHardware) earlier = &entry;
        }
        if (!giveUp) {
            giveUp = since + askingTime(entries.front().interfaceIndex, earlier != nullptr) + 500ms;
        }
        if (!asking || now >= *giveUp) {
            if (earlier != nullptr) {
                holder.finding = LinkHolder::Finding::EarlierAnswer;
                holder.hardware = earlier->hardware;
                if (earlier->sinceConfirmed) {
                    holder.sinceAnswer =
                        std::chrono::duration_cast<std::chrono::milliseconds>(*earlier->sinceConfirmed);
                }
            } else {
                holder.finding = asking ? LinkHolder::Finding::StillAsking
                                        : LinkHolder::Finding::NobodyAnswered;
            }
            return holder;
        }
        sleepFor(std::chrono::ceil<std::chrono::milliseconds>(
            std::min<Clock::duration>(kReadEvery, *giveUp - now)));
    }
    holder.finding = LinkHolder::Finding::StillAsking;
    return holder;
}

}  // namespace quelvar::platform
