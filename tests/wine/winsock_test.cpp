// Winsock's own codes for the failures the tool reports, produced against
// the simulated modules on the loopback network of the namespace.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <set>

#include "discovery/datagrams.h"
#include "monitor/telnet.h"
#include "platform/socket.h"
#include "sim_modules.h"

namespace quelvar::testing {
namespace {

using platform::Ipv4Endpoint;
using platform::Socket;

class Winsock : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(platform::initializeSocketLibrary()); }
    void SetUp() override { QUELVAR_REQUIRE_SIMULATOR(); }

    Socket udp() {
        int error = -1;
        Socket socket = Socket::openUdp(error);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(socket.setReceiveTimeout(std::chrono::milliseconds(1000)), 0);
        return socket;
    }
};

TEST_F(Winsock, TheErrorNumbersAreWinsocksOwn) {
    EXPECT_EQ(platform::socket_error::kTimedOut, WSAETIMEDOUT);
    EXPECT_EQ(platform::socket_error::kMessageTooLong, WSAEMSGSIZE);
    EXPECT_EQ(platform::socket_error::kPeerClosed, WSAECONNRESET);
}

TEST_F(Winsock, ABroadcastSearchReachesEveryModule) {
    Socket socket = udp();
    ASSERT_EQ(socket.setBroadcast(true), 0);
    auto request = discovery::EncodeSearchRequest();
    ASSERT_EQ(socket.sendTo(request.data(), request.size(),
                            Ipv4Endpoint{{255, 255, 255, 255}, discovery::kDiscoveryPort}),
              0);
    std::set<std::string> from;
    for (int i = 0; i < kModuleCount; ++i) {
        std::uint8_t reply[discovery::kSearchReplySize];
        std::size_t got = 0;
        Ipv4Endpoint sender;
        ASSERT_EQ(socket.receiveFrom(reply, sizeof reply, got, sender), 0) << "reply " << i;
        EXPECT_EQ(sender.port, discovery::kDiscoveryPort);
        from.insert(sender.addressText());
    }
    EXPECT_EQ(from, (std::set<std::string>{"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"}));
}

TEST_F(Winsock, ADatagramLongerThanTheBufferFailsWithMessageSizeAndIsConsumed) {
    Socket socket = udp();
    auto request = discovery::EncodeSearchRequest();
    const Ipv4Endpoint module{{127, 0, 0, 2}, discovery::kDiscoveryPort};
    ASSERT_EQ(socket.sendTo(request.data(), request.size(), module), 0);
    std::uint8_t small[8] = {};
    std::size_t got = 0;
    Ipv4Endpoint sender;
    EXPECT_EQ(socket.receiveFrom(small, sizeof small, got, sender), WSAEMSGSIZE);
    EXPECT_EQ(got, sizeof small);
    EXPECT_EQ(small[3], 0xF7);  // the beginning of a search reply is there

    // Nothing of it is left: the next receive waits for a new datagram.
    EXPECT_EQ(socket.setReceiveTimeout(std::chrono::milliseconds(200)), 0);
    std::uint8_t reply[discovery::kSearchReplySize];
    EXPECT_EQ(socket.receiveFrom(reply, sizeof reply, got, sender), WSAETIMEDOUT);
}

TEST_F(Winsock, ReceiveTimeOutsAndWaitsEndWithoutAnAnswer) {
    Socket socket = udp();
    ASSERT_EQ(socket.bind(Ipv4Endpoint{{127, 0, 0, 1}, 0}), 0);
    ASSERT_EQ(socket.setReceiveTimeout(std::chrono::milliseconds(300)), 0);
    std::uint8_t buffer[16];
    std::size_t got = 0;
    Ipv4Endpoint sender;
    EXPECT_EQ(socket.receiveFrom(buffer, sizeof buffer, got, sender), WSAETIMEDOUT);

    bool readable = true;
    EXPECT_EQ(socket.waitReadable(std::chrono::milliseconds(100), readable), 0);
    EXPECT_FALSE(readable);

    // A monitor port that goes quiet: the stream receive times out the same way.
    int error = -1;
    Socket tcp = Socket::openTcp(error);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(tcp.setReceiveTimeout(std::chrono::milliseconds(300)), 0);
    ASSERT_EQ(tcp.connect(Ipv4Endpoint{{127, 0, 0, 2}, monitor::kMonitorPort}), 0);
    char text[256];
    // Whatever the module says first, it then waits for us.
    while ((error = tcp.receive(text, sizeof text, got)) == 0 && got > 0) {
    }
    EXPECT_EQ(error, WSAETIMEDOUT);
}

TEST_F(Winsock, AClosedPortRefusesTheConnection) {
    int error = -1;
    Socket tcp = Socket::openTcp(error);
    ASSERT_EQ(error, 0);
    // Module 3 has no monitor port.
    EXPECT_EQ(tcp.connect(Ipv4Endpoint{{127, 0, 0, 5}, monitor::kMonitorPort}), WSAECONNREFUSED);
}

TEST_F(Winsock, AStreamEndsWithZeroBytesWhenThePeerCloses) {
    int error = -1;
    Socket listener = Socket::openTcp(error);
    ASSERT_EQ(listener.bind(Ipv4Endpoint{{127, 0, 0, 1}, 0}), 0);
    ASSERT_EQ(listener.listen(1), 0);
    Socket client = Socket::openTcp(error);
    ASSERT_EQ(client.connect(listener.localEndpoint()), 0);
    Ipv4Endpoint peer;
    Socket server = listener.accept(error, &peer);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(peer.octets, (platform::Ipv4Octets{127, 0, 0, 1}));
    ASSERT_EQ(server.send("hello", 5), 0);
    server.close();
    char buffer[16];
    std::size_t got = 0;
    ASSERT_EQ(client.receive(buffer, sizeof buffer, got), 0);
    EXPECT_EQ(std::string(buffer, got), "hello");
    ASSERT_EQ(client.receive(buffer, sizeof buffer, got), 0);
    EXPECT_EQ(got, 0u);
}

}  // namespace
}  // namespace quelvar::testing
