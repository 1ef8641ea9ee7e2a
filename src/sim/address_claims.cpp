// Module addresses on a real adapter, added and removed over rtnetlink as
// `ip addr add` and `ip addr del` would, without running another program.
#include "sim/address_claims.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace quelvar::sim {

namespace {

// Bounds on one exchange with the kernel, whatever the adapter holds.
constexpr int kMostReceives = 1024;
constexpr std::size_t kReceiveCapacity = 32768;

bool IsLoopbackNetwork(std::uint32_t address) {
    return (address >> 24) == 127;
}

std::uint32_t SubnetMask(std::uint8_t prefixLength) {
    return prefixLength == 0 ? 0u : ~0u << (32 - prefixLength);
}

// A request to the kernel: its header, an ifaddrmsg and up to two 4-byte
// attributes, laid out as rtnetlink reads them.
class AddressMessage {
  public:
    AddressMessage(std::uint16_t type, std::uint16_t flags, std::uint32_t sequence,
                   const ifaddrmsg& message) {
        nlmsghdr header{};
        header.nlmsg_type = type;
        header.nlmsg_flags = flags;
        header.nlmsg_seq = sequence;
        put(&header, sizeof header, NLMSG_HDRLEN);
        put(&message, sizeof message, NLMSG_ALIGN(sizeof message));
    }

    void addAttribute(std::uint16_t type, const platform::Ipv4Octets& address) {
        rtattr attribute{};
        attribute.rta_type = type;
        attribute.rta_len = static_cast<unsigned short>(RTA_LENGTH(address.size()));
        put(&attribute, sizeof attribute, RTA_ALIGN(sizeof attribute));
        put(address.data(), address.size(), RTA_ALIGN(address.size()));
    }

    // The bytes to send, with the total length in the header.
    const std::vector<char>& finish() {
        const auto length = static_cast<std::uint32_t>(bytes_.size());
        std::memcpy(bytes_.data() + offsetof(nlmsghdr, nlmsg_len), &length, sizeof length);
        return bytes_;
    }

  private:
    void put(const void* data, std::size_t size, std::size_t aligned) {
        const std::size_t at = bytes_.size();
        bytes_.resize(at + aligned, 0);
        std::memcpy(bytes_.data() + at, data, size);
    }

    std::vector<char> bytes_;
};

// Sends `message` (numbered `sequence`) and hands each answer to it to
// `take` until `take` gives a result. An error message ends the exchange
// with its error number (0: the kernel's acknowledgement). Answers to earlier
// requests that came too late are passed over. 0 or an error number.
int Exchange(int netlink, const std::vector<char>& message, std::uint32_t sequence,
             const std::function<std::optional<int>(const nlmsghdr&, const char*)>& take) {
    if (::send(netlink, message.data(), message.size(), 0) < 0) return errno;
    std::vector<char> buffer(kReceiveCapacity);
    for (int receives = 0; receives < kMostReceives; ++receives) {
        const ssize_t received = ::recv(netlink, buffer.data(), buffer.size(), 0);
        if (received < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno;
        }
        const auto size = static_cast<std::size_t>(received);
        for (std::size_t at = 0; at + sizeof(nlmsghdr) <= size;) {
            nlmsghdr header{};
            std::memcpy(&header, buffer.data() + at, sizeof header);
            if (header.nlmsg_len < sizeof header || at + header.nlmsg_len > size) break;
            const char* payload = buffer.data() + at + NLMSG_HDRLEN;
            if (header.nlmsg_seq == sequence && header.nlmsg_type == NLMSG_ERROR) {
                nlmsgerr failure{};
                if (header.nlmsg_len < NLMSG_HDRLEN + sizeof failure) return EPROTO;
                std::memcpy(&failure, payload, sizeof failure);
                return -failure.error;
            }
            if (header.nlmsg_seq == sequence) {
                if (std::optional<int> result = take(header, payload)) return *result;
            }
            at += NLMSG_ALIGN(header.nlmsg_len);
        }
    }
    return EOVERFLOW;
}

}  // namespace

AddressClaims::AddressClaims(std::string adapterName) : adapterName_(std::move(adapterName)) {}

AddressClaims::~AddressClaims() {
    releaseAll();
    if (netlink_ >= 0) ::close(netlink_);
}

int AddressClaims::open() {
    if (netlink_ < 0) {
        netlink_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (netlink_ < 0) return errno;
        // A kernel that does not answer must not hold the farm up for long.
        timeval timeout{1, 0};
        ::setsockopt(netlink_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    const unsigned index = ::if_nametoindex(adapterName_.c_str());
    if (index == 0) return ENODEV;
    adapterIndex_ = static_cast<int>(index);

    ifaddrmsg wanted{};
    wanted.ifa_family = AF_INET;
    AddressMessage dump(RTM_GETADDR, NLM_F_REQUEST | NLM_F_DUMP, ++sequence_, wanted);
    // The dump lists the addresses of every adapter, each adapter's in the
    // order `ip addr` shows them; the first of ours gives the subnet.
    std::optional<std::uint8_t> prefixLength;
    return Exchange(netlink_, dump.finish(), sequence_,
                    [&](const nlmsghdr& header, const char* payload) -> std::optional<int> {
                        if (header.nlmsg_type == NLMSG_DONE) {
                            if (!prefixLength) return EADDRNOTAVAIL;
                            prefixLength_ = *prefixLength;
                            return 0;
                        }
                        ifaddrmsg address{};
                        if (header.nlmsg_type != RTM_NEWADDR ||
                            header.nlmsg_len < NLMSG_HDRLEN + sizeof address) {
                            return std::nullopt;
                        }
                        std::memcpy(&address, payload, sizeof address);
                        if (address.ifa_family == AF_INET && !prefixLength &&
                            static_cast<int>(address.ifa_index) == adapterIndex_) {
                            prefixLength = address.ifa_prefixlen;
                        }
                        return std::nullopt;
                    });
}

int AddressClaims::claim(const platform::Ipv4Octets& address) {
    const std::uint32_t number = platform::ipv4Number(address);
    if (IsLoopbackNetwork(number)) return 0;
    auto held = held_.find(number);
    if (held != held_.end()) {
        ++held->second.holders;
        return 0;
    }
    const int error = addAddress(number);
    if (error != 0 && error != EEXIST) return error;
    held_[number] = Holding{1, error == 0};
    return 0;
}

void AddressClaims::release(const platform::Ipv4Octets& address) {
    const std::uint32_t number = platform::ipv4Number(address);
    auto held = held_.find(number);
    if (held == held_.end() || --held->second.holders > 0) return;
    const bool added = held->second.added;
    held_.erase(held);
    if (!added || removeAddress(number) != 0) return;

    // The first address of a subnet on an adapter takes the others of that
    // subnet with it when it goes (unless the namespace promotes them), and
    // with them the modules still living there: those this object put there
    // go back. Those already there answer EEXIST.
    const std::uint32_t mask = SubnetMask(prefixLength_);
    for (const auto& [other, holding] : held_) {
        if (holding.added && (other & mask) == (number & mask)) {
            static_cast<void>(addAddress(other));
        }
    }
}

void AddressClaims::releaseAll() {
    for (const auto& [number, holding] : held_) {
        if (holding.added) static_cast<void>(removeAddress(number));
    }
    held_.clear();
}

int AddressClaims::addAddress(std::uint32_t address) {
    return request(RTM_NEWADDR, NLM_F_REQUEST | NLM_F_ACK | NLM_F_CREATE | NLM_F_EXCL, address);
}

int AddressClaims::removeAddress(std::uint32_t address) {
    return request(RTM_DELADDR, NLM_F_REQUEST | NLM_F_ACK, address);
}

int AddressClaims::request(std::uint16_t type, std::uint16_t flags, std::uint32_t number) {
    if (netlink_ < 0 || adapterIndex_ == 0) return EBADF;
    ifaddrmsg address{};
    address.ifa_family = AF_INET;
    address.ifa_prefixlen = prefixLength_;
    address.ifa_scope = RT_SCOPE_UNIVERSE;
    address.ifa_index = static_cast<unsigned>(adapterIndex_);
    AddressMessage change(type, flags, ++sequence_, address);
    const platform::Ipv4Octets octets = platform::ipv4FromNumber(number);
    change.addAttribute(IFA_LOCAL, octets);
    change.addAttribute(IFA_ADDRESS, octets);
    // The acknowledgement is all there is to take: an error message whose
    // error number is 0 on success.
    return Exchange(netlink_, change.finish(), sequence_,
                    [](const nlmsghdr&, const char*) { return std::optional<int>(); });
}

}  // namespace quelvar::sim
