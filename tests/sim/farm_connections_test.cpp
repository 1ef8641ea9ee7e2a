// The farm's TCP side: the monitor listener, the web page, and a prompt stop.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "discovery_client.h"
#include "sim/farm.h"
#include "sim/web_page.h"
#include "support/sim_fixture.h"

namespace quelvar::sim {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using platform::Socket;

Socket Connect(const Ipv4Endpoint& to, int& error) {
    Socket socket = Socket::openTcp(error);
    if (error == 0) error = socket.connect(to);
    if (error == 0) error = socket.setReceiveTimeout(1000ms);
    return socket;
}

std::string ReadAll(Socket& socket) {
    std::string text;
    char buffer[512];
    for (int n = 0; n < 100; ++n) {
        std::size_t received = 0;
        if (socket.receive(buffer, sizeof buffer, received) != 0 || received == 0) break;
        text.append(buffer, received);
    }
    return text;
}

// Reads until `wanted` has arrived, the peer closes, or a second passes quietly.
bool ReadUntil(Socket& socket, const std::string& wanted) {
    std::string text;
    char buffer[256];
    for (int n = 0; n < 100 && text.find(wanted) == std::string::npos; ++n) {
        std::size_t received = 0;
        if (socket.receive(buffer, sizeof buffer, received) != 0 || received == 0) return false;
        text.append(buffer, received);
    }
    return text.find(wanted) != std::string::npos;
}

std::size_t StatusReplies(const platform::Ipv4Octets& address) {
    testing::DiscoveryClient client;
    client.send(testing::StatusQuery(), Ipv4Endpoint{address, 30718});
    return client.receiveUntilQuiet(200ms).size();
}

TEST(FarmConnections, ResetKeepsTheModuleSilentForAWhile) {
    QUELVAR_REQUIRE_NETNS();
    auto config = DefaultModule(0);
    config.resetSilence = 800ms;
    auto farm = quelvar::testing::StartFarm({config});
    int error = 0;
    Socket monitor = Connect(Ipv4Endpoint{config.address, 9999}, error);
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(ReadUntil(monitor, "Mode"));
    ASSERT_EQ(monitor.send("M", 1), 0);
    ASSERT_TRUE(ReadUntil(monitor, ">"));
    ASSERT_EQ(monitor.send("RS\r\n", 4), 0);
    for (int n = 0; n < 100 && farm->resets(0) == 0; ++n) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(farm->resets(0), 1);
    std::this_thread::sleep_for(50ms);  // the farm takes the reset on its own thread

    EXPECT_EQ(StatusReplies(config.address), 0u);
    Socket refused = Connect(Ipv4Endpoint{config.address, 9999}, error);
    EXPECT_NE(error, 0) << "a restarting module takes no connection";

    std::this_thread::sleep_for(800ms);
    EXPECT_EQ(StatusReplies(config.address), 1u);
    Socket again = Connect(Ipv4Endpoint{config.address, 9999}, error);
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(ReadUntil(again, "Mode"));
    EXPECT_EQ(farm->monitorConnections(0), 2);
    EXPECT_EQ(farm->monitorBytesReceived(0), (Bytes{'M', 'R', 'S', '\r', '\n'}));
}

TEST(FarmConnections, WebPageNamesTheModule) {
    QUELVAR_REQUIRE_NETNS();
    auto config = DefaultModule(4);
    auto farm = quelvar::testing::StartFarm({config});
    int error = 0;
    Socket socket = Connect(Ipv4Endpoint{config.address, 80}, error);
    ASSERT_EQ(error, 0);
    std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.6\r\n\r\n";
    ASSERT_EQ(socket.send(request.data(), request.size()), 0);
    std::string page = ReadAll(socket);
    EXPECT_EQ(page.rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << page;
    EXPECT_NE(page.find(MacText(config.mac)), std::string::npos);
    EXPECT_NE(page.find("127.0.0.6"), std::string::npos);
    EXPECT_NE(page.find(std::string{config.productLetters[0], config.productLetters[1]}),
              std::string::npos);
}

TEST(FarmConnections, MonitorListenerCountsConnectionsAndStopIsPrompt) {
    QUELVAR_REQUIRE_NETNS();
    std::vector<ModuleConfig> modules{DefaultModule(0), DefaultModule(1)};
    modules[1].monitorPort = false;
    auto farm = quelvar::testing::StartFarm(modules);

    int error = 0;
    Socket refused = Connect(Ipv4Endpoint{modules[1].address, 9999}, error);
    EXPECT_NE(error, 0) << "a module without monitor port must refuse";

    Socket first = Connect(Ipv4Endpoint{modules[0].address, 9999}, error);
    ASSERT_EQ(error, 0);
    Socket second = Connect(Ipv4Endpoint{modules[0].address, 9999}, error);
    ASSERT_EQ(error, 0);
    for (int n = 0; n < 100 && farm->monitorConnections(0) < 2; ++n) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(farm->monitorConnections(0), 2);
    EXPECT_EQ(farm->monitorConnections(1), 0);

    // Sessions still open on the farm's side must not hold the stop up.
    auto start = std::chrono::steady_clock::now();
    farm->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    farm->stop();  // a second stop is harmless
}

}  // namespace
}  // namespace quelvar::sim
