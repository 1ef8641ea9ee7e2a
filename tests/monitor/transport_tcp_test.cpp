// The monitor connection over real TCP, against small scripted modules: what
// needs a real socket (time-outs, the opening receive, refused and unanswered
// connects, a peer that closes). The reading of chunks and waits is tested
// on a scripted connection.
#include <gtest/gtest.h>

#include <chrono>

#include "monitor/telnet.h"
#include "scripted_peer.h"
#include "sim/module.h"
#include "support/sim_fixture.h"
#include "support/timing.h"

namespace quelvar::monitor {
namespace {

using platform::Socket;
using quelvar::testing::ScriptedPeer;
using quelvar::testing::SecondsOf;

class TcpTransport : public ::testing::Test {
  protected:
    void SetUp() override { QUELVAR_REQUIRE_NETNS(); }
    TelnetSocket socket_;
};

TEST_F(TcpTransport, QuietModuleConnectsAfterASecondAndTheWaitFailsAfterAnother) {
    ScriptedPeer peer([](Socket&) {});
    ASSERT_EQ(peer.listenError(), 0);
    int result = -2;
    double connect = SecondsOf([&] { result = TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 2}); });
    EXPECT_EQ(result, 0);
    EXPECT_NEAR(connect, 1.0, 0.3);
    double wait = SecondsOf([&] { result = TelnetWaitString(socket_, "Mode"); });
    EXPECT_EQ(result, -1);
    EXPECT_NEAR(wait, 1.0, 0.3);
    TelnetClose(socket_);
}

TEST_F(TcpTransport, OpeningReceiveTakesAtMostNineBytes) {
    ScriptedPeer peer([](Socket& s) { ScriptedPeer::Send(s, "123456789abcMode"); });
    ASSERT_EQ(TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 2}), 0);
    Chunk chunk{};
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 7);
    EXPECT_STREQ(chunk.data(), "abcMode");
    TelnetClose(socket_);
}

TEST_F(TcpTransport, ExactReadKeepsTwoBytesBeforeAClose) {
    ScriptedPeer peer([](Socket& s) {
        ScriptedPeer::Send(s, "hello");
        ScriptedPeer::Pause(200);
        ScriptedPeer::Send(s, "ab");
        s.close();
    });
    ASSERT_EQ(TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 2}), 0);
    std::uint8_t buffer[9] = {};
    EXPECT_NE(TelnetRecv(socket_, buffer, 9), 0);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
    TelnetClose(socket_);
}

TEST_F(TcpTransport, ExactReadTimesOutAfterASecondKeepingTwoBytes) {
    ScriptedPeer peer([](Socket& s) {
        ScriptedPeer::Send(s, "hello");
        ScriptedPeer::Pause(200);
        ScriptedPeer::Send(s, "ab");
    });
    ASSERT_EQ(TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 2}), 0);
    ScriptedPeer::Pause(300);
    std::uint8_t buffer[9] = {};
    int result = 0;
    double seconds = SecondsOf([&] { result = TelnetRecv(socket_, buffer, 9); });
    EXPECT_EQ(result, platform::socket_error::kTimedOut);
    EXPECT_NEAR(seconds, 1.0, 0.3);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
    std::uint8_t none = 0;
    EXPECT_EQ(TelnetRecv(socket_, &none, 0), 0);
    TelnetClose(socket_);
}

TEST_F(TcpTransport, ConnectToAFullAcceptQueueGivesUpWithNothingOpen) {
    // Its SYNs go unanswered: without a bound of its own the connect would
    // wait for the system's minutes.
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::NeverAccept;
    auto farm = quelvar::testing::StartFarm({module});
    int result = 0;
    double seconds = SecondsOf([&] { result = TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 2}); });
    EXPECT_EQ(result, platform::socket_error::kTimedOut);
    EXPECT_LT(seconds, 10.0);
    EXPECT_FALSE(socket_.isOpen());
}

TEST_F(TcpTransport, RefusedConnectionFailsWithItsErrorNumber) {
    EXPECT_NE(TelnetConnect(socket_, platform::Ipv4Octets{127, 0, 0, 9}), 0);
    EXPECT_FALSE(socket_.isOpen());
}

}  // namespace
}  // namespace quelvar::monitor
