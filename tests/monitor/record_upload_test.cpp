// How the upload reads a module's echo and its answer after it, over a
// scripted module: the echo is one piece of text up to a quiet second, and
// the answer the three bytes after that.
#include <gtest/gtest.h>

#include "monitor/record_upload.h"
#include "scripted_transport.h"

namespace quelvar::monitor {
namespace {

using namespace quelvar::testing;
using std::chrono::milliseconds;

UploadResult WriteRecordZero(ScriptedTransport& (*module)(ScriptedTransport&)) {
    TelnetSocket socket;
    module(OpenScripted(socket, std::make_shared<ScriptedTransport::Log>()));
    const records::Record record{0, std::vector<std::uint8_t>(120, 0x5A)};
    TransferHooks hooks{[](std::string_view) {}, [](int) {}, [](milliseconds) {}};
    return WriteSetupRecords(socket, std::span(&record, 1), hooks);
}

TEST(RecordUpload, AnEchoThatPausesUnderASecondIsOneTextAndTheAnswerFollowsIt) {
    // 900 ms inside the echo, then the quiet second, then the answer.
    UploadResult result = WriteRecordZero([](ScriptedTransport& module) -> ScriptedTransport& {
        return module.bytes("\r\nS0 wr").drip("itten\r\n", milliseconds(900)).quiet().bytes("\n0>");
    });
    EXPECT_EQ(result.outcome, UploadOutcome::Complete);
    EXPECT_EQ(result.taken, 1u);
}

// A link that held the echo back can deliver it together with the answer:
// nothing follows the chunk then, and the answer is what ended it.
TEST(RecordUpload, AnAnswerThatCameWithinTheEchosChunkIsTakenFromThere) {
    struct Case {
        const char* what;
        ScriptedTransport& (*module)(ScriptedTransport&);
        UploadOutcome outcome;
    };
    const Case cases[] = {
        {"taken", [](ScriptedTransport& m) -> ScriptedTransport& { return m.bytes("\r\nS0\r\n\n0>"); },
         UploadOutcome::Complete},
        {"refused", [](ScriptedTransport& m) -> ScriptedTransport& { return m.bytes("\r\nS0\r\n\n1>"); },
         UploadOutcome::RecordRefused},
        {"split", [](ScriptedTransport& m) -> ScriptedTransport& {
             return m.bytes("\r\nS0\r\n\n").quiet().bytes("0>");
         },
         UploadOutcome::Complete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WriteRecordZero(c.module).outcome, c.outcome);
    }
}

TEST(RecordUpload, NoAnswerAfterTheEchoIsATimeOutNotASuccess) {
    UploadResult result = WriteRecordZero(
        [](ScriptedTransport& module) -> ScriptedTransport& { return module.bytes("\r\nS0\r\n"); });
    EXPECT_EQ(result.outcome, UploadOutcome::SocketError);
    EXPECT_EQ(result.code, platform::socket_error::kTimedOut);
    EXPECT_EQ(result.taken, 0u);
}

}  // namespace
}  // namespace quelvar::monitor
