// A host that keeps replying less than a second apart cannot hold a search:
// it ends at its time limit with the replies read so far.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "discovery/search.h"
#include "support/sim_fixture.h"
#include "support/timing.h"

namespace quelvar::testing {
namespace {

using namespace std::chrono_literals;
using platform::Ipv4Endpoint;
using platform::Socket;

// Answers the search request, then sends another reply every 300 ms until
// stopped (at most 100).
class EndlessReplier {
  public:
    EndlessReplier() {
        int error = 0;
        socket_ = Socket::openUdp(error);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(socket_.setReuseAddress(true), 0);
        EXPECT_EQ(socket_.bind(Ipv4Endpoint{{0, 0, 0, 0}, 30718}), 0);
        thread_ = std::thread([this] { serve(); });
    }
    ~EndlessReplier() {
        stop_ = true;
        thread_.join();
    }

  private:
    void serve() {
        bool readable = false;
        if (socket_.waitReadable(3000ms, readable) != 0 || !readable) return;
        std::uint8_t request[4];
        std::size_t received = 0;
        Ipv4Endpoint searcher;
        if (socket_.receiveFrom(request, sizeof request, received, searcher) != 0) return;
        std::uint8_t reply[30] = {};
        for (int sent = 0; sent < 100 && !stop_; ++sent) {
            static_cast<void>(socket_.sendTo(reply, sizeof reply, searcher));
            std::this_thread::sleep_for(300ms);
        }
    }

    Socket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(SearchTimeLimit, AHostThatKeepsReplyingIsCutOffAtTheLimit) {
    QUELVAR_REQUIRE_NETNS();
    EndlessReplier replier;
    discovery::SearchScope scope;
    scope.timeLimit = 2000ms;
    discovery::SearchResult result;
    double seconds = SecondsOf([&] { result = discovery::SearchForModules(scope); });
    EXPECT_GE(seconds, 1.95);
    EXPECT_LT(seconds, 2.6);
    EXPECT_TRUE(result.timeLimitReached);
    EXPECT_EQ(result.error, 0);
    // The replies read before the limit stay: about one per 300 ms.
    EXPECT_GE(result.modules.size(), 5u);
    EXPECT_LE(result.modules.size(), 8u);
}

}  // namespace
}  // namespace quelvar::testing
