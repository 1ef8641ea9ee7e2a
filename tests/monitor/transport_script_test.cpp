// The monitor connection's byte discipline, over a scripted module.
#include <gtest/gtest.h>

#include <algorithm>

#include "scripted_transport.h"

namespace quelvar::monitor {
namespace {

using quelvar::testing::OpenScripted;
using quelvar::testing::ScriptedTransport;

class ScriptedConnection : public ::testing::Test {
  protected:
    ScriptedTransport& script() { return OpenScripted(socket_, log_); }
    bool everyReceiveAskedForOneByte() const {
        return std::all_of(log_->receiveSizes.begin(), log_->receiveSizes.end(),
                           [](std::size_t size) { return size == 1; });
    }
    std::string chunkText(const Chunk& chunk, int length) {
        return std::string(chunk.data(), std::min<std::size_t>(length, kChunkCapacity));
    }
    TelnetSocket socket_;
    std::shared_ptr<ScriptedTransport::Log> log_ = std::make_shared<ScriptedTransport::Log>();
};

TEST_F(ScriptedConnection, ChunkDropsLineEndsAndEndsAtAQuietSecond) {
    script().bytes("\r\nab\r\nc").quiet().bytes("next");
    Chunk chunk{};
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 3);
    EXPECT_STREQ(chunk.data(), "abc");
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 4);
    EXPECT_STREQ(chunk.data(), "next");
    EXPECT_TRUE(everyReceiveAskedForOneByte());
}

TEST_F(ScriptedConnection, ChunkEndsAtANulWhichItCounts) {
    script().bytes(std::string("abc\0Mode", 8));
    Chunk chunk{};
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 4);
    EXPECT_STREQ(chunk.data(), "abc");
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 4);
    EXPECT_STREQ(chunk.data(), "Mode");
}

TEST_F(ScriptedConnection, ChunkStopsAt256CharactersLeavingTheRest) {
    script().bytes(std::string(256, 'x') + "yz");
    Chunk chunk{};
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 256);
    EXPECT_EQ(chunkText(chunk, 256), std::string(256, 'x'));
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 2);
    EXPECT_STREQ(chunk.data(), "yz");
}

TEST_F(ScriptedConnection, ChunkEndsWhenThePeerCloses) {
    script().bytes("ab").closeConnection();
    Chunk chunk{};
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 2);
    EXPECT_EQ(TelnetRecvChunk(socket_, chunk), 0);
}

TEST_F(ScriptedConnection, WaitFailsOnAQuietModule) {
    script();
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

TEST_F(ScriptedConnection, WaitFailsOnOnlyLineEnds) {
    script().bytes("\r\n\r\n\r\n");
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

TEST_F(ScriptedConnection, WaitGoesOnAfterALoneNulThenFails) {
    script().bytes(std::string("\0", 1));
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
    EXPECT_EQ(log_->pauses, 1);  // one 50 ms pause between the two chunks
}

TEST_F(ScriptedConnection, WaitFindsTheTextBehindANul) {
    script().bytes(std::string("abc\0Mode", 8)).quiet();
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), 0);
}

TEST_F(ScriptedConnection, WaitDoesNotSeeATextCutByThe256Boundary) {
    std::string text(300, '.');
    text.replace(254, 4, "Mode");
    script().bytes(text);
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

TEST_F(ScriptedConnection, WaitDoesNotLookPastAFullChunk) {
    script().bytes(std::string(254, '.') + "Mo").quiet().bytes("de");
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

// A peer must not hold a wait for longer than its bound (10 s): found
// after 36 s of dripping, or behind 200 kB of text, the text is too late.
TEST_F(ScriptedConnection, DrippingPeerCannotHoldAWait) {
    script().drip(std::string(36, '.') + "Mode", std::chrono::milliseconds(900)).quiet();
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

TEST_F(ScriptedConnection, StreamWithoutTheTextCannotHoldAWait) {
    script().bytes(std::string(200000, '#') + "Mode").quiet();
    EXPECT_EQ(TelnetWaitString(socket_, "Mode"), -1);
}

TEST_F(ScriptedConnection, WaitLeavesTheBytesAfterItsChunk) {
    script().bytes("S3").quiet().bytes("\n0>");
    ASSERT_EQ(TelnetWaitString(socket_, "S3"), 0);
    std::uint8_t reply[3] = {};
    EXPECT_EQ(TelnetRecv(socket_, reply, 3), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(reply), 3), "\n0>");  // CR/LF count here
}

TEST_F(ScriptedConnection, RecvOfNothingReceivesNothing) {
    script().bytes("abc");
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(TelnetRecv(socket_, buffer, 0), 0);
    EXPECT_EQ(TelnetRecv(socket_, buffer, -3), 0);
    EXPECT_TRUE(log_->receiveSizes.empty());
}

TEST_F(ScriptedConnection, RecvKeepsTheBytesBeforeAClose) {
    script().bytes("ab").closeConnection();
    std::uint8_t buffer[9] = {};
    EXPECT_EQ(TelnetRecv(socket_, buffer, 9), platform::socket_error::kPeerClosed);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
}

TEST_F(ScriptedConnection, RecvKeepsTheBytesBeforeATimeOut) {
    script().bytes("ab").quiet();
    std::uint8_t buffer[9] = {};
    EXPECT_EQ(TelnetRecv(socket_, buffer, 9), platform::socket_error::kTimedOut);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
    EXPECT_TRUE(everyReceiveAskedForOneByte());
}

TEST_F(ScriptedConnection, SendAddsNothing) {
    script();
    EXPECT_EQ(TelnetSend(socket_, "M"), 0);
    EXPECT_EQ(log_->sent, "M");
    EXPECT_EQ(TelnetClose(socket_), 0);
    EXPECT_TRUE(log_->closed);
    EXPECT_FALSE(socket_.isOpen());
}

}  // namespace
}  // namespace quelvar::monitor
