// Paced sends: each text on its own, its pause after it, and the first send
// that fails ends the sequence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/paced_sends.h"
#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "platform/socket.h"

namespace quelvar::monitor {
namespace {

using std::chrono::milliseconds;

// Notes every send and pause in order; fails the send numbered `failing` (0: none).
class RecordingTransport : public Transport {
  public:
    RecordingTransport(std::vector<std::string>& happened, int failing)
        : happened_(happened), failing_(failing) {}
    int receive(std::uint8_t*, std::size_t, std::size_t& received) override {
        received = 0;
        return platform::socket_error::kTimedOut;
    }
    int send(const std::uint8_t* data, std::size_t size) override {
        if (++attempts_ == failing_) return platform::socket_error::kPeerClosed;
        happened_.push_back(std::string(reinterpret_cast<const char*>(data), size));
        return 0;
    }
    void close() override {}

  private:
    std::vector<std::string>& happened_;
    int attempts_ = 0;
    int failing_;
};

PacedResult Send(std::vector<std::string>& happened, int failing) {
    TelnetSocket socket;
    socket.transport = std::make_unique<RecordingTransport>(happened, failing);
    const std::vector<PacedText> texts = {
        {{}, milliseconds(7)}, {"S1", milliseconds(100)}, {"line", milliseconds(10)}, {"end", {}}};
    TransferHooks hooks{[](std::string_view) {}, [](int) {}, [&](milliseconds pause) {
                            happened.push_back("pause " + std::to_string(pause.count()));
                        }};
    return SendInTurn(socket, texts, hooks);
}

TEST(PacedSends, EachTextThenItsPauseUntilASendFails) {
    std::vector<std::string> happened;
    PacedResult result = Send(happened, 0);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.sent, 3u);
    EXPECT_EQ(happened, (std::vector<std::string>{"pause 7", "S1", "pause 100", "line",
                                                  "pause 10", "end"}));

    happened.clear();
    result = Send(happened, 2);
    EXPECT_EQ(result.error, platform::socket_error::kPeerClosed);
    EXPECT_EQ(result.sent, 1u);
    EXPECT_EQ(happened, (std::vector<std::string>{"pause 7", "S1", "pause 100"}));
}

}  // namespace
}  // namespace quelvar::monitor
