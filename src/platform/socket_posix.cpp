// POSIX sockets with the behaviour of the Windows socket layer the tool was
// built on: over-long datagrams fail instead of being cut, time-outs read as
// time-outs, and a closed peer never kills the process.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/socket.h"

namespace quelvar::platform {

namespace socket_error {
const int kTimedOut = ETIMEDOUT;
const int kMessageTooLong = EMSGSIZE;
const int kPeerClosed = ECONNRESET;
const int kHostNotFound = EHOSTUNREACH;
const int kHostUnreachable = EHOSTUNREACH;
const int kDatagramRefused = ECONNREFUSED;
bool isUnreachable(int code) { return code == EHOSTUNREACH || code == ENETUNREACH; }
}  // namespace socket_error

namespace {

int lastError() {
    int code = errno;
    // SO_RCVTIMEO / SO_SNDTIMEO expiry shows up as EAGAIN on POSIX.
    if (code == EAGAIN || code == EWOULDBLOCK) return ETIMEDOUT;
    return code;
}

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    std::memcpy(&address.sin_addr.s_addr, endpoint.octets.data(), 4);
    return address;
}

Ipv4Endpoint fromSockaddr(const sockaddr_in& address) {
    Ipv4Endpoint endpoint;
    std::memcpy(endpoint.octets.data(), &address.sin_addr.s_addr, 4);
    endpoint.port = ntohs(address.sin_port);
    return endpoint;
}

int setTimeout(int handle, int option, std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return ::setsockopt(handle, SOL_SOCKET, option, &value, sizeof value) == 0 ? 0 : lastError();
}

int setFlag(int handle, int option, bool on) {
    int value = on ? 1 : 0;
    return ::setsockopt(handle, SOL_SOCKET, option, &value, sizeof value) == 0 ? 0 : lastError();
}

}  // namespace

bool initializeSocketLibrary() { return true; }

std::string systemErrorText(int code) {
    char buffer[256] = {};
    // The GNU strerror_r returns the text; the XSI one fills the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    const char* text = ::strerror_r(code, buffer, sizeof buffer);
    return text ? std::string(text) : std::string();
#else
    if (::strerror_r(code, buffer, sizeof buffer) != 0) return {};
    return std::string(buffer);
#endif
}

NativeSocket Socket::invalidHandle() { return -1; }

Socket Socket::openUdp(int& error) {
    int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    error = handle < 0 ? lastError() : 0;
    return Socket(handle);
}

Socket Socket::openTcp(int& error) {
    int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    error = handle < 0 ? lastError() : 0;
    return Socket(handle);
}

bool Socket::isOpen() const { return handle_ >= 0; }

void Socket::close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = invalidHandle();
    }
}

int Socket::setBroadcast(bool on) { return setFlag(handle_, SO_BROADCAST, on); }
int Socket::setReuseAddress(bool on) { return setFlag(handle_, SO_REUSEADDR, on); }

int Socket::setReceiveTimeout(std::chrono::milliseconds timeout) {
    return setTimeout(handle_, SO_RCVTIMEO, timeout);
}

int Socket::setSendTimeout(std::chrono::milliseconds timeout) {
    return setTimeout(handle_, SO_SNDTIMEO, timeout);
}

int Socket::setNonBlocking(bool on) {
    int flags = ::fcntl(handle_, F_GETFL, 0);
    if (flags < 0) return lastError();
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(handle_, F_SETFL, flags) == 0 ? 0 : lastError();
}

int Socket::setNoDelay(bool on) {
    int value = on ? 1 : 0;
    return ::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) == 0
               ? 0
               : lastError();
}

int Socket::setReportNetworkErrors(bool on) {
    int value = on ? 1 : 0;
    return ::setsockopt(handle_, IPPROTO_IP, IP_RECVERR, &value, sizeof value) == 0 ? 0
                                                                                   : lastError();
}

int Socket::bind(const Ipv4Endpoint& local) {
    sockaddr_in address = toSockaddr(local);
    return ::bind(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
               ? 0
               : lastError();
}

Ipv4Endpoint Socket::localEndpoint() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
    return fromSockaddr(address);
}

int Socket::sendTo(const void* data, std::size_t size, const Ipv4Endpoint& to) {
    sockaddr_in address = toSockaddr(to);
    ssize_t sent = ::sendto(handle_, data, size, MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? lastError() : 0;
}

int Socket::receiveFrom(void* buffer, std::size_t capacity, std::size_t& received,
                        Ipv4Endpoint& from) {
    received = 0;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    // MSG_TRUNC makes recvfrom report the datagram's real length.
    ssize_t count = ::recvfrom(handle_, buffer, capacity, MSG_TRUNC,
                               reinterpret_cast<sockaddr*>(&address), &length);
    if (count < 0) {
        const int error = lastError();
        // A reported network error stays queued (and the socket keeps
        // polling as in error) until it is taken; its number is `error`.
        char scratch[512];
        for (int queued = 0; queued < 64; ++queued) {
            msghdr message{};
            message.msg_control = scratch;
            message.msg_controllen = sizeof scratch;
            if (::recvmsg(handle_, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) break;
        }
        return error;
    }
    from = fromSockaddr(address);
    if (static_cast<std::size_t>(count) > capacity) {
        received = capacity;
        return EMSGSIZE;
    }
    received = static_cast<std::size_t>(count);
    return 0;
}

int Socket::waitReadable(std::chrono::milliseconds timeout, bool& readable) {
    readable = false;
    pollfd entry{};
    entry.fd = handle_;
    entry.events = POLLIN;
    int result;
    do {
        result = ::poll(&entry, 1, static_cast<int>(timeout.count()));
    } while (result < 0 && errno == EINTR);
    if (result < 0) return lastError();
    readable = result > 0;
    return 0;
}

int Socket::connect(const Ipv4Endpoint& remote) {
    sockaddr_in address = toSockaddr(remote);
    int result;
    do {
        result = ::connect(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result < 0 && errno == EINTR);
    return result == 0 ? 0 : lastError();
}

int Socket::connect(const Ipv4Endpoint& remote, std::chrono::milliseconds timeout) {
    if (int error = setNonBlocking(true)) return error;
    sockaddr_in address = toSockaddr(remote);
    int error = 0;
    if (::connect(handle_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // EINTR on a non-blocking connect also leaves it in progress.
        error = (errno == EINPROGRESS || errno == EINTR) ? EINPROGRESS : errno;
    }
    if (error == EINPROGRESS) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        pollfd entry{};
        entry.fd = handle_;
        entry.events = POLLOUT;
        int ready;
        for (;;) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
            if (ready >= 0 || errno != EINTR) break;
        }
        if (ready < 0) {
            error = errno;
        } else if (ready == 0) {
            error = ETIMEDOUT;
        } else {
            socklen_t length = sizeof error;
            if (::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
    }
    int restored = setNonBlocking(false);
    return error != 0 ? error : restored;
}

int Socket::send(const void* data, std::size_t size) {
    ssize_t sent = ::send(handle_, data, size, MSG_NOSIGNAL);
    return sent < 0 ? lastError() : 0;
}

int Socket::receive(void* buffer, std::size_t capacity, std::size_t& received) {
    received = 0;
    ssize_t count;
    do {
        count = ::recv(handle_, buffer, capacity, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return lastError();
    received = static_cast<std::size_t>(count);
    return 0;
}

int Socket::listen(int backlog) { return ::listen(handle_, backlog) == 0 ? 0 : lastError(); }

Socket Socket::accept(int& error, Ipv4Endpoint* peer) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int handle = ::accept4(handle_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    if (handle < 0) {
        error = lastError();
        return Socket();
    }
    error = 0;
    if (peer) *peer = fromSockaddr(address);
    return Socket(handle);
}

int Socket::shutdownBoth() { return ::shutdown(handle_, SHUT_RDWR) == 0 ? 0 : lastError(); }

}  // namespace quelvar::platform
