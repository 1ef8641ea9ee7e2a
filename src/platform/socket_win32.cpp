// Winsock 2, with its own error numbers: every result code is what
// WSAGetLastError said (WSAEMSGSIZE, WSAETIMEDOUT, WSAECONNREFUSED, ...).
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>
#include <cctype>

#include "platform/socket.h"
#include "platform/utf8.h"

namespace quelvar::platform {

namespace socket_error {
const int kTimedOut = WSAETIMEDOUT;
const int kMessageTooLong = WSAEMSGSIZE;
const int kPeerClosed = WSAECONNRESET;
// A datagram socket reports an ICMP "port unreachable" as a reset connection.
const int kHostUnreachable = WSAEHOSTUNREACH;
const int kDatagramRefused = WSAECONNRESET;
bool isUnreachable(int code) { return code == WSAEHOSTUNREACH || code == WSAENETUNREACH; }
const int kHostNotFound = WSAHOST_NOT_FOUND;
}  // namespace socket_error

namespace {

int lastError() {
    int code = ::WSAGetLastError();
    // A blocking socket reports an expired SO_RCVTIMEO as WSAETIMEDOUT; a
    // non-blocking one that has nothing says WSAEWOULDBLOCK, which means the
    // same to the callers.
    return code == WSAEWOULDBLOCK ? WSAETIMEDOUT : code;
}

SOCKET handleOf(NativeSocket native) { return static_cast<SOCKET>(native); }

sockaddr_in toSockaddr(const Ipv4Endpoint& endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(endpoint.port);
    std::memcpy(&address.sin_addr.s_addr, endpoint.octets.data(), 4);
    return address;
}

Ipv4Endpoint fromSockaddr(const sockaddr_in& address) {
    Ipv4Endpoint endpoint;
    std::memcpy(endpoint.octets.data(), &address.sin_addr.s_addr, 4);
    endpoint.port = ::ntohs(address.sin_port);
    return endpoint;
}

int setTimeout(SOCKET handle, int option, std::chrono::milliseconds timeout) {
    // Winsock takes the time-out as a DWORD of milliseconds, not a timeval.
    DWORD value = static_cast<DWORD>(timeout.count());
    return ::setsockopt(handle, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0
               ? 0
               : lastError();
}

int setFlag(SOCKET handle, int option, bool on) {
    BOOL value = on ? TRUE : FALSE;
    return ::setsockopt(handle, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                        sizeof value) == 0
               ? 0
               : lastError();
}

// A started telnet client or browser must not inherit the tool's sockets.
// WSA_FLAG_OVERLAPPED is what socket() itself gives: without it Wine ignores
// SO_RCVTIMEO and a blocking recv waits until the peer gives up.
SOCKET openSocket(int type, int protocol, int& error) {
    SOCKET handle = ::WSASocketW(AF_INET, type, protocol, nullptr, 0,
                                 WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    error = handle == INVALID_SOCKET ? lastError() : 0;
    return handle;
}

}  // namespace

bool initializeSocketLibrary() {
    WSADATA data{};
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

std::string systemErrorText(int code) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return {};  // the caller words it itself
    std::wstring text(buffer, length);
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    return utf8FromWide(text);
}

NativeSocket Socket::invalidHandle() { return static_cast<NativeSocket>(INVALID_SOCKET); }

Socket Socket::openUdp(int& error) {
    return Socket(static_cast<NativeSocket>(openSocket(SOCK_DGRAM, IPPROTO_UDP, error)));
}

Socket Socket::openTcp(int& error) {
    return Socket(static_cast<NativeSocket>(openSocket(SOCK_STREAM, IPPROTO_TCP, error)));
}

bool Socket::isOpen() const { return handle_ != invalidHandle(); }

void Socket::close() {
    if (isOpen()) {
        ::closesocket(handleOf(handle_));
        handle_ = invalidHandle();
    }
}

int Socket::setBroadcast(bool on) { return setFlag(handleOf(handle_), SO_BROADCAST, on); }

// Windows binds a listening port again while old connections linger without
// SO_REUSEADDR, and its SO_REUSEADDR would let another program take over a
// port that is in use; so there is nothing to set.
int Socket::setReuseAddress(bool on) {
    (void)on;
    return 0;
}

// Windows reports a refusal on every datagram socket already.
int Socket::setReportNetworkErrors(bool on) {
    (void)on;
    return 0;
}

int Socket::setReceiveTimeout(std::chrono::milliseconds timeout) {
    return setTimeout(handleOf(handle_), SO_RCVTIMEO, timeout);
}

int Socket::setSendTimeout(std::chrono::milliseconds timeout) {
    return setTimeout(handleOf(handle_), SO_SNDTIMEO, timeout);
}

int Socket::setNonBlocking(bool on) {
    u_long value = on ? 1 : 0;
    return ::ioctlsocket(handleOf(handle_), FIONBIO, &value) == 0 ? 0 : lastError();
}

int Socket::setNoDelay(bool on) {
    BOOL value = on ? TRUE : FALSE;
    return ::setsockopt(handleOf(handle_), IPPROTO_TCP, TCP_NODELAY,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0
               ? 0
               : lastError();
}

int Socket::bind(const Ipv4Endpoint& local) {
    sockaddr_in address = toSockaddr(local);
    return ::bind(handleOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
               ? 0
               : lastError();
}

Ipv4Endpoint Socket::localEndpoint() const {
    sockaddr_in address{};
    int length = sizeof address;
    if (::getsockname(handleOf(handle_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    return fromSockaddr(address);
}

int Socket::sendTo(const void* data, std::size_t size, const Ipv4Endpoint& to) {
    sockaddr_in address = toSockaddr(to);
    int sent = ::sendto(handleOf(handle_), static_cast<const char*>(data), static_cast<int>(size), 0,
                        reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == SOCKET_ERROR ? lastError() : 0;
}

int Socket::receiveFrom(void* buffer, std::size_t capacity, std::size_t& received,
                        Ipv4Endpoint& from) {
    received = 0;
    sockaddr_in address{};
    int length = sizeof address;
    int count = ::recvfrom(handleOf(handle_), static_cast<char*>(buffer), static_cast<int>(capacity),
                           0, reinterpret_cast<sockaddr*>(&address), &length);
    if (count == SOCKET_ERROR) {
        int error = lastError();
        // An over-long datagram is consumed; the buffer holds its beginning.
        if (error == WSAEMSGSIZE) {
            received = capacity;
            from = fromSockaddr(address);
        }
        return error;
    }
    from = fromSockaddr(address);
    received = static_cast<std::size_t>(count);
    return 0;
}

int Socket::waitReadable(std::chrono::milliseconds timeout, bool& readable) {
    readable = false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(handleOf(handle_), &set);
    timeval limit{};
    limit.tv_sec = static_cast<long>(timeout.count() / 1000);
    limit.tv_usec = static_cast<long>((timeout.count() % 1000) * 1000);
    // The first argument is ignored by Winsock.
    int result = ::select(0, &set, nullptr, nullptr, &limit);
    if (result == SOCKET_ERROR) return lastError();
    readable = result > 0;
    return 0;
}

int Socket::connect(const Ipv4Endpoint& remote) {
    sockaddr_in address = toSockaddr(remote);
    return ::connect(handleOf(handle_), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
               ? 0
               : lastError();
}

// Windows itself gives up on an unanswered connect after about 21 s (three
// tries), so the plain connect is already bounded there. A non-blocking
// connect waited for with select failed under Wine with WSAETIMEDOUT within
// a second against a listening module, so the caller's bound is not added.
int Socket::connect(const Ipv4Endpoint& remote, std::chrono::milliseconds) {
    return connect(remote);
}

int Socket::send(const void* data, std::size_t size) {
    int sent = ::send(handleOf(handle_), static_cast<const char*>(data), static_cast<int>(size), 0);
    return sent == SOCKET_ERROR ? lastError() : 0;
}

int Socket::receive(void* buffer, std::size_t capacity, std::size_t& received) {
    received = 0;
    int count = ::recv(handleOf(handle_), static_cast<char*>(buffer), static_cast<int>(capacity), 0);
    if (count == SOCKET_ERROR) return lastError();
    received = static_cast<std::size_t>(count);
    return 0;
}

int Socket::listen(int backlog) {
    return ::listen(handleOf(handle_), backlog) == 0 ? 0 : lastError();
}

Socket Socket::accept(int& error, Ipv4Endpoint* peer) {
    sockaddr_in address{};
    int length = sizeof address;
    SOCKET handle = ::accept(handleOf(handle_), reinterpret_cast<sockaddr*>(&address), &length);
    if (handle == INVALID_SOCKET) {
        error = lastError();
        return Socket();
    }
    ::SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
    error = 0;
    if (peer) *peer = fromSockaddr(address);
    return Socket(static_cast<NativeSocket>(handle));
}

int Socket::shutdownBoth() {
    return ::shutdown(handleOf(handle_), SD_BOTH) == 0 ? 0 : lastError();
}

}  // namespace quelvar::platform
