// Reading a module's setup records and saving them as a file, called as
// operations against a simulated module: the trace, the progress, the alerts,
// the bytes on the wire and the file.
#include <gtest/gtest.h>

#include <memory>

#include "monitor/transfer_fixture.h"
#include "discovery/reachability.h"
#include "monitor/record_upload.h"
#include "ops/messages.h"
#include "ops/read_setup_records.h"
#include "ops_fixture.h"
#include "platform/process.h"
#include "platform/socket.h"
#include "sim/module.h"
#include "sim/profiles.h"
#include "support/temp_folder.h"

namespace quelvar::testing {
namespace {

using ops::OutcomeKind;
using Outcomes = std::vector<ops::Outcome>;

class ReadTest : public OpsTest {
  protected:
    // One module, found as a search finds it.
    void start(sim::ModuleConfig module) {
        farm_ = StartFarm({std::move(module)});
        std::vector<discovery::DeviceEntry> modules = found(*farm_);
        ASSERT_EQ(modules.size(), 1u);
        device_ = modules[0];
    }
    ops::ReadResult read() {
        return ops::ReadSetupRecords(device_, ops::Retries::Window(), events_);
    }
    // The read, then the save as the window makes it once the user chose `path`.
    ops::Outcome readAndSave(const std::filesystem::path& path) {
        ops::ReadResult result = read();
        if (!result.outcome.succeeded()) return result.outcome;
        return ops::SaveSetupRecordFile(path, result.image, events_);
    }
    std::string received() const { return Text(farm_->monitorBytesReceived(0)); }

    TempFolder folder_{"read"};
    const std::filesystem::path file_ = folder_.path() / "saved.rec";
    std::unique_ptr<sim::Farm> farm_;
    discovery::DeviceEntry device_;
};

TEST_F(ReadTest, SavesAllRecordsWithTheExactTraceAndProgress) {
    const sim::ModuleConfig module = sim::DefaultModule(0);
    ASSERT_NO_FATAL_FAILURE(start(module));
    EXPECT_TRUE(readAndSave(file_).succeeded());
    EXPECT_EQ(events_.trace, kSaveTraceToRecords + SaveRecordsTrace(kDefaultRecordNumbers) +
                                 "save setuprecord...\r\nsuccess.\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(events_.alerts.empty());
    EXPECT_TRUE(events_.doneAt.empty());
    EXPECT_EQ(FileBytes(file_), FileOf(module.records, kDefaultRecordNumbers));
    EXPECT_EQ(FileBytes(file_).size(), 5u + 121u + 7u * 127u);
    EXPECT_EQ(received(), "MG0\r\nG2\r\nG3\r\nG4\r\nG5\r\nG6\r\nG7\r\nG8\r\n");
}

TEST_F(ReadTest, EndAnswerAtRecordZeroSavesTheHeaderAlone) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.records.clear();
    ASSERT_NO_FATAL_FAILURE(start(module));
    EXPECT_TRUE(readAndSave(file_).succeeded());
    EXPECT_EQ(events_.trace,
              kSaveTraceToRecords + "setup 0 getting...save setuprecord...\r\nsuccess.\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 1, 11, 12}));
    EXPECT_EQ(FileBytes(file_), Bytes({0x04, 'R', 'E', 'C', 'F'}));
    EXPECT_EQ(received(), "MG0\r\n");
}

TEST_F(ReadTest, NulBytesInThePromptsAreHarmless) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::NulInPrompt;
    ASSERT_NO_FATAL_FAILURE(start(module));
    EXPECT_TRUE(readAndSave(file_).succeeded());
    EXPECT_TRUE(events_.alerts.empty());
    EXPECT_EQ(FileBytes(file_), FileOf(module.records, kDefaultRecordNumbers));
}

TEST_F(ReadTest, SaveReplacesAFileByExactlyTheNewImage) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    for (int n : {3, 4, 5, 6, 7, 8}) module.records.erase(n);
    ASSERT_NO_FATAL_FAILURE(start(module));
    ASSERT_TRUE(WriteFile(file_, Bytes(3000, 0xEE)));
    EXPECT_TRUE(readAndSave(file_).succeeded());
    EXPECT_EQ(FileBytes(file_), FileOf(module.records, {0, 2}));
    // Nothing is left beside it.
    std::vector<std::filesystem::path> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
        entries.push_back(entry.path());
    }
    EXPECT_EQ(entries, (std::vector<std::filesystem::path>{file_}));
}

TEST_F(ReadTest, StopMidLineReportsTheTimeOut) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::StopMidLine;
    ASSERT_NO_FATAL_FAILURE(start(module));
    const int timedOut = platform::socket_error::kTimedOut;
    const ops::Outcome expected = ops::Failed(OutcomeKind::SocketError, timedOut);
    EXPECT_EQ(read().outcome, expected);
    EXPECT_EQ(events_.alerts, Outcomes{expected});
    EXPECT_EQ(events_.trace, kSaveTraceToRecords + SaveRecordsTrace({0}) +
                                 "setup 2 getting...error:" + std::to_string(timedOut) + "\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 1, 2, 3, 0}));
}

TEST_F(ReadTest, PromptOfOnlyLineEndsIsAFailedWait) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::OnlyCrLfPrompt;
    ASSERT_NO_FATAL_FAILURE(start(module));
    const ops::Outcome expected = ops::Failed(OutcomeKind::SocketError, -1);
    EXPECT_EQ(read().outcome, expected);
    EXPECT_EQ(events_.alerts, Outcomes{expected});
    EXPECT_EQ(events_.trace, "Save:start.\r\ntelnet:start.connect.success.\r\nerror:-1\r\n");
    EXPECT_EQ(events_.positions, (std::vector<int>{1, 0}));
    EXPECT_EQ(received(), "");
}

// The console's tries on a link that loses: an entry that failed before
// anything was written is made again on a fresh connection, and a read cut
// off midway is read again whole; the window's single try does neither.
TEST_F(ReadTest, AFailedEntryAndACutReadAreMadeAgainOnFreshConnections) {
    struct Case {
        sim::MonitorFault fault;
        std::string note;
    };
    const Case cases[] = {
        {sim::MonitorFault::NoBanner,
         "entering the monitor mode failed (the module did not send the awaited text): trying "
         "again on a fresh connection, try 2 of 3"},
        {sim::MonitorFault::CloseMidRecord,
         "the reading of the records stopped (socket error " +
             std::to_string(platform::socket_error::kPeerClosed) + " (" +
             platform::systemErrorText(platform::socket_error::kPeerClosed) +
             ")): reading them again whole, try 2 of 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(sim::MonitorFaultName(c.fault));
        events_ = RecordingEvents();
        sim::ModuleConfig module = sim::DefaultModule(0);
        module.monitorFault = c.fault;
        module.monitorFaultOnce = true;
        ASSERT_NO_FATAL_FAILURE(start(module));
        const ops::ReadResult result =
            ops::ReadSetupRecords(device_, ops::Retries::Persistent(), events_);
        ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
        EXPECT_EQ(events_.notes, std::vector<std::string>{c.note});
        EXPECT_TRUE(events_.alerts.empty());
        EXPECT_EQ(farm_->monitorConnections(0), 2);
        EXPECT_EQ(std::vector<std::uint8_t>(result.image.bytes().begin(), result.image.bytes().end()),
                  FileOf(module.records, kDefaultRecordNumbers));
        farm_.reset();
    }
}

// Right after a reset a module may answer its status queries before its
// monitor port is open again: a refused connection is asked again while it
// restarts, and counts as no failed try.
TEST_F(ReadTest, ARefusedConnectionIsAskedAgainWhileTheModuleRestarts) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    // Well after the read below begins, even on a loaded machine, and well
    // within its ten asks a second apart.
    module.monitorAfterReset = std::chrono::milliseconds(6000);
    ASSERT_NO_FATAL_FAILURE(start(module));
    monitor::TelnetSocket socket;
    ASSERT_EQ(monitor::TelnetConnect(socket, device_.address.octets), 0);
    ASSERT_EQ(monitor::EnterMonitorMode(socket, nullptr, nullptr), 0);
    ASSERT_EQ(monitor::SendReset(socket), 0);
    monitor::TelnetClose(socket);
    // The module takes the reset on its own time: until it falls silent, a
    // status query is still answered and a connection still accepted by the
    // module as it was, and the read would never meet a restarting one.
    bool silent = false;
    for (int query = 0; query < 50 && !silent; ++query) {
        silent = discovery::QueryDevice(device_.address.octets) != 0;
        if (!silent) platform::sleepFor(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(silent);
    // Back on the discovery port, not yet on the monitor port.
    ASSERT_TRUE(discovery::PingDevice(device_.address.octets, 5));

    const ops::ReadResult result =
        ops::ReadSetupRecords(device_, ops::Retries::Persistent(), events_);
    ASSERT_TRUE(result.outcome.succeeded()) << ops::DescribeOutcome(result.outcome);
    ASSERT_EQ(events_.notes.size(), 1u);
    EXPECT_EQ(events_.notes[0].rfind("the monitor port refuses the connection (", 0), 0u)
        << events_.notes[0];
    EXPECT_NE(events_.notes[0].find("): asking again while the module restarts"),
              std::string::npos);
    EXPECT_TRUE(events_.alerts.empty());
}

// Answers that cannot be kept as a file that loads back.
TEST_F(ReadTest, OversizeLineIsTooLongToKeep) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::OversizeCount;
    ASSERT_NO_FATAL_FAILURE(start(module));
    EXPECT_EQ(read().outcome.kind, OutcomeKind::LineTooLong);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::LineTooLong)});
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.back(), 0);
}

TEST_F(ReadTest, RecordsBeyondTheFileSizeDoNotFit) {
    sim::ModuleConfig module = sim::DefaultModule(0);
    module.monitorFault = sim::MonitorFault::TooManyRecords;
    ASSERT_NO_FATAL_FAILURE(start(module));
    EXPECT_EQ(read().outcome.kind, OutcomeKind::ImageFull);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::ImageFull)});
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.back(), 0);
}

TEST_F(ReadTest, SilentModuleIsReportedBeforeAnythingChanges) {
    ASSERT_NO_FATAL_FAILURE(start(sim::DefaultModule(0)));
    farm_->stop();
    EXPECT_EQ(read().outcome.kind, OutcomeKind::DeviceNotAnswering);
    EXPECT_EQ(events_.alerts, Outcomes{ops::Failed(OutcomeKind::DeviceNotAnswering)});
    EXPECT_EQ(events_.clears, 0);
    EXPECT_EQ(events_.trace, "");
    EXPECT_TRUE(events_.positions.empty());
}

ops::Message MessageOf(const ops::Outcome& outcome, platform::Language language) {
    return ops::MessageFor(outcome, language).value_or(ops::Message{});
}

// What the user is told of a read that failed, in either language.
TEST(ReadMessages, FailedReadsAreToldPlainly) {
    using enum platform::Language;
    const ops::Message tooLong = MessageOf(ops::Failed(OutcomeKind::LineTooLong), English);
    EXPECT_EQ(tooLong.kind, ops::MessageKind::ResultText);
    EXPECT_NE(tooLong.text.find("40 bytes"), std::string::npos) << tooLong.text;
    EXPECT_NE(MessageOf(ops::Failed(OutcomeKind::LineTooLong), Japanese).text.find("40 バイト"),
              std::string::npos);
    EXPECT_NE(MessageOf(ops::Failed(OutcomeKind::ImageFull), English).text.find("4096"),
              std::string::npos);
    const int timedOut = platform::socket_error::kTimedOut;
    EXPECT_EQ(MessageOf(ops::Failed(OutcomeKind::SocketError, timedOut), English).text,
              platform::systemErrorText(timedOut));
}

}  // namespace
}  // namespace quelvar::testing
