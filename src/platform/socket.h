#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ipv4.h"

namespace quelvar::platform {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;  // a Windows SOCKET is pointer-wide
#else
using NativeSocket = int;
#endif

// Result codes of every socket call: 0 is success, anything else the
// platform's socket error number (errno on POSIX, WSAGetLastError on Windows).
namespace socket_error {
extern const int kTimedOut;       // a receive or send ran into its time-out
extern const int kMessageTooLong; // a datagram longer than the receive buffer
extern const int kPeerClosed;     // the peer closed before the bytes asked for arrived
extern const int kHostNotFound;   // an address text that does not resolve
// A datagram receive: a host answered what the socket sent with "port
// unreachable" (ICMP): it is there, and nothing listens on that port.
extern const int kDatagramRefused;
// A datagram receive: the host or its network cannot be reached (nobody
// answered address resolution, or a router said so); kHostUnreachable is one.
extern const int kHostUnreachable;
bool isUnreachable(int code);
}  // namespace socket_error

// Starts the platform's socket library (WSAStartup on Windows). False means
// the program cannot use the network at all.
bool initializeSocketLibrary();

// The system's own wording of a socket error number, without a trailing line break.
std::string systemErrorText(int code);

// A socket handle that closes itself; it moves but does not copy.
// Fallible calls return a result code and never throw.
class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    static Socket openUdp(int& error);
    static Socket openTcp(int& error);

    bool isOpen() const;
    void close();
    NativeSocket native() const { return handle_; }

    [[nodiscard]] int setBroadcast(bool on);
    [[nodiscard]] int setReuseAddress(bool on);
    [[nodiscard]] int setReceiveTimeout(std::chrono::milliseconds timeout);
    [[nodiscard]] int setSendTimeout(std::chrono::milliseconds timeout);
    [[nodiscard]] int setNonBlocking(bool on);
    // Streams: every send goes out at once, not held back for the peer's
    // acknowledgement of the previous one.
    [[nodiscard]] int setNoDelay(bool on);
    // Datagrams: what the network answers with ICMP to what this socket sent
    // fails its next receive (kDatagramRefused, socket_error::isUnreachable).
    // A Windows datagram socket reports a refusal anyway; Linux only when
    // asked (IP_RECVERR), and then the receive also takes the report away.
    [[nodiscard]] int setReportNetworkErrors(bool on);

    [[nodiscard]] int bind(const Ipv4Endpoint& local);
    Ipv4Endpoint localEndpoint() const;

    // Datagrams. A datagram longer than `capacity` is consumed and fails with
    // kMessageTooLong, as a Windows receive does.
    [[nodiscard]] int sendTo(const void* data, std::size_t size, const Ipv4Endpoint& to);
    [[nodiscard]] int receiveFrom(void* buffer, std::size_t capacity, std::size_t& received, Ipv4Endpoint& from);

    // Waits until a receive would not block. `readable` is false when the
    // time ran out first.
    [[nodiscard]] int waitReadable(std::chrono::milliseconds timeout, bool& readable);

    // Streams. A send never raises SIGPIPE; a receive of 0 bytes with result 0
    // means the peer closed the connection.
    [[nodiscard]] int connect(const Ipv4Endpoint& remote);
    // A connect that gives up with kTimedOut after `timeout`, where the plain
    // one waits as long as the system's own connect time-out (minutes, when
    // a peer's accept queue is full and its SYNs go unanswered). The socket
    // is blocking again afterwards, whatever the result; a socket the call
    // fails on is left for the caller to close.
    [[nodiscard]] int connect(const Ipv4Endpoint& remote, std::chrono::milliseconds timeout);
    [[nodiscard]] int send(const void* data, std::size_t size);
    [[nodiscard]] int receive(void* buffer, std::size_t capacity, std::size_t& received);
    [[nodiscard]] int listen(int backlog);
    Socket accept(int& error, Ipv4Endpoint* peer = nullptr);
    [[nodiscard]] int shutdownBoth();

private:
    explicit Socket(NativeSocket handle) : handle_(handle) {}
    NativeSocket handle_ = invalidHandle();
    static NativeSocket invalidHandle();
};

}  // namespace quelvar::platform
