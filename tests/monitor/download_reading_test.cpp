// Reading a module's records from its answer bytes, and the data lines the
// upload writes, checked against that same reading.
#include <gtest/gtest.h>

#include <random>

#include "answer_builder.h"
#include "monitor/data_line.h"
#include "monitor/record_download.h"
#include "scripted_transport.h"

namespace quelvar::monitor {
namespace {

using namespace quelvar::testing;
using Bytes = std::vector<std::uint8_t>;

struct Reading {
    DownloadResult result;
    Bytes image;
    std::string log;
    std::vector<int> records;  // every record asked for or passed over, by number
    std::string sent;
    bool writesDataLines = true;
};

Reading Read(ScriptedTransport& (*build)(ScriptedTransport&)) {
    TelnetSocket socket;
    auto log = std::make_shared<ScriptedTransport::Log>();
    build(OpenScripted(socket, log));
    records::FileImage image;
    Reading reading;
    TransferHooks hooks{[&](std::string_view text) { reading.log += text; },
                        [&](int number) { reading.records.push_back(number); },
                        [](std::chrono::milliseconds) {}};
    reading.result = ReadSetupRecords(socket, image, hooks);
    reading.image.assign(image.bytes().begin(), image.bytes().end());
    reading.sent = log->sent;
    return reading;
}

Bytes Header() {
    return Bytes(records::kHeader.begin(), records::kHeader.end());
}

Bytes RecordOf(int n) {
    return PatternBytes(n == 0 ? 120 : 126, n);
}

Bytes ImageOf(std::initializer_list<int> numbers) {
    Bytes image = Header();
    for (int n : numbers) {
        image.push_back(static_cast<std::uint8_t>(n));
        Bytes data = RecordOf(n);
        image.insert(image.end(), data.begin(), data.end());
    }
    return image;
}

ScriptedTransport& AllRecords(ScriptedTransport& s) {
    for (int n : {0, 2, 3, 4, 5, 6, 7, 8}) s.bytes(RecordAnswer(RecordOf(n)));
    return s;
}

TEST(DownloadReading, ReadsRecordsZeroAndTwoToEight) {
    Reading r = Read(AllRecords);
    EXPECT_EQ(r.result.outcome, DownloadOutcome::Complete);
    EXPECT_EQ(r.image, ImageOf({0, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(r.sent, "G0\r\nG2\r\nG3\r\nG4\r\nG5\r\nG6\r\nG7\r\nG8\r\n");
    EXPECT_EQ(r.records, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(r.log,
              "setup 0 getting...ok\r\nsetup 2 getting...ok\r\nsetup 3 getting...ok\r\n"
              "setup 4 getting...ok\r\nsetup 5 getting...ok\r\nsetup 6 getting...ok\r\n"
              "setup 7 getting...ok\r\nsetup 8 getting...ok\r\n");
}

TEST(DownloadReading, EndAnswerAtRecordZeroLeavesTheHeaderAlone) {
    Reading r = Read(
        [](ScriptedTransport& s) -> ScriptedTransport& { return s.bytes(EndAnswer()).quiet(); });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::EndAnswer);
    EXPECT_EQ(r.image, Header());
    EXPECT_EQ(r.sent, "G0\r\n");
    EXPECT_EQ(r.log, "setup 0 getting...");
}

TEST(DownloadReading, EndAnswerAtRecordFiveKeepsTheRecordsBefore) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        for (int n : {0, 2, 3, 4}) s.bytes(RecordAnswer(RecordOf(n)));
        return s.bytes(EndAnswer()).quiet();
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::EndAnswer);
    EXPECT_EQ(r.image, ImageOf({0, 2, 3, 4}));
    EXPECT_EQ(r.sent, "G0\r\nG2\r\nG3\r\nG4\r\nG5\r\n");
    EXPECT_EQ(r.records, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST(DownloadReading, EndAnswerWithOneByteUsesWhatThePreambleLeft) {
    // Preamble "9>abc": when only one byte of the head comes, the second
    // position still holds the preamble's '>'.
    Reading r =
        Read([](ScriptedTransport& s) -> ScriptedTransport& { return s.bytes("x>abc9").quiet(); });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::EndAnswer);
    EXPECT_EQ(r.image, Header());
}

TEST(DownloadReading, EndAnswerInsideARecordDropsThePartialRecord) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        s.bytes(RecordAnswer(RecordOf(0)));
        Bytes two = RecordOf(2);
        return s.bytes("\r\nG\r\n" + DataLineOfModule(two.data(), 32, 0) + "9>").quiet();
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::EndAnswer);
    EXPECT_EQ(r.image, ImageOf({0}));
}

TEST(DownloadReading, RecordOfAnotherSizeThanItsNumberCallsForFails) {
    // A file of these could not be loaded back: 60 and 127 bytes were seen.
    for (std::size_t size : {0, 60, 121, 127}) {
        TelnetSocket socket;
        auto log = std::make_shared<ScriptedTransport::Log>();
        OpenScripted(socket, log).bytes(RecordAnswer(RecordOf(0))).bytes(
            RecordAnswer(PatternBytes(size, 2)));
        records::FileImage image;
        std::string trace;
        TransferHooks hooks{[&](std::string_view text) { trace += text; }, [](int) {},
                            [](std::chrono::milliseconds) {}};
        EXPECT_EQ(ReadSetupRecords(socket, image, hooks).outcome, DownloadOutcome::WrongSize)
            << size;
        EXPECT_EQ(trace, "setup 0 getting...ok\r\nsetup 2 getting...") << size;
    }
}

TEST(DownloadReading, LowerCaseHexReadsLikeUpperCase) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes(RecordAnswer(RecordOf(0), 32, true)).bytes(EndAnswer()).quiet();
    });
    EXPECT_EQ(r.image, ImageOf({0}));
}

TEST(DownloadReading, FortyByteLinesFitAndFortyOneDoNot) {
    Reading fits = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes(RecordAnswer(RecordOf(0), 40)).bytes(EndAnswer()).quiet();
    });
    EXPECT_EQ(fits.image, ImageOf({0}));

    Reading tooLong = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes(RecordAnswer(RecordOf(0), 41));
    });
    EXPECT_EQ(tooLong.result.outcome, DownloadOutcome::LineTooLong);
}

TEST(DownloadReading, NegativeCountIsTooLong) {
    Reading r = Read(
        [](ScriptedTransport& s) -> ScriptedTransport& { return s.bytes("\r\nG\r\n:-1000000"); });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::LineTooLong);
}

TEST(DownloadReading, AnswersPastTheImageStopWithoutWritingPastIt) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes(RecordAnswer(PatternBytes(4200, 0)));
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::ImageFull);
    EXPECT_LE(r.image.size(), records::kImageCapacity);
}

TEST(DownloadReading, ImageFilledExactlyIsNotImageFull) {
    // 4090 data bytes after the header and number byte fill the image to its
    // last byte; the record is then only of the wrong size.
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes(RecordAnswer(PatternBytes(4090, 0)));
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::WrongSize);
    EXPECT_EQ(r.image.size(), records::kImageCapacity);
}

TEST(DownloadReading, ModuleStoppingMidLineIsATimeOut) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.bytes("\r\nG\r\n:20000000" + std::string(20, 'A')).quiet();
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::SocketError);
    EXPECT_EQ(r.result.code, platform::socket_error::kTimedOut);
}

TEST(DownloadReading, ModuleDrippingItsAnswerCannotHoldTheReading) {
    // Each byte within its second, so no single read times out: record 0
    // alone would take five minutes.
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        return s.drip(RecordAnswer(RecordOf(0)), std::chrono::milliseconds(900));
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::SocketError);
    EXPECT_EQ(r.result.code, platform::socket_error::kTimedOut);
    EXPECT_EQ(r.log, "setup 0 getting...");
}

TEST(DownloadReading, ModuleClosingMidRecordIsAFailure) {
    Reading r = Read([](ScriptedTransport& s) -> ScriptedTransport& {
        Bytes zero = RecordOf(0);
        return s.bytes("\r\nG\r\n" + DataLineOfModule(zero.data(), 32, 0)).closeConnection();
    });
    EXPECT_EQ(r.result.outcome, DownloadOutcome::SocketError);
    EXPECT_EQ(r.result.code, platform::socket_error::kPeerClosed);
}

TEST(FormatDataLine, ThirtyTwoZeroBytesAtOffsetZero) {
    Bytes zeros(32);
    EXPECT_EQ(FormatDataLine(32, 0, zeros.data()), ":20000010" + std::string(64, '0') + "D0");
    EXPECT_EQ(FormatDataLine(32, 0, zeros.data()).size(), 75u);
}

TEST(FormatDataLine, ThirtyZeroBytesAtOffset0x60) {
    Bytes zeros(30);
    EXPECT_EQ(FormatDataLine(30, 0x60, zeros.data()), ":1E006010" + std::string(60, '0') + "72");
}

TEST(FormatDataLine, TwentyFourZeroBytesAtOffset0x60) {
    Bytes zeros(24);
    EXPECT_EQ(FormatDataLine(24, 0x60, zeros.data()), ":18006010" + std::string(48, '0') + "78");
}

TEST(FormatDataLine, ChecksumMakesTheLineSumToZero) {
    Bytes data{0xFF, 0x01, 0xAB, 0xCD};
    std::string line = FormatDataLine(4, 0x1234, data.data());
    EXPECT_EQ(line,
              ":04123410FF01ABCD"
              "2E");
}

TEST(FormatDataLine, RandomRecordsRoundTripThroughTheDownloadsReading) {
    std::mt19937 random(20240613);
    for (int trial = 0; trial < 50; ++trial) {
        std::vector<Bytes> records;
        std::string script;
        for (int n : {0, 2, 3, 4, 5, 6, 7, 8}) {
            Bytes data(n == 0 ? 120 : 126);
            for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
            records.push_back(data);
            // The upload's lines, given the 5-byte tail and end a module adds.
            script += "\r\nG\r\n";
            for (int offset = 0; offset < static_cast<int>(data.size()); offset += 32) {
                int count = std::min(32, static_cast<int>(data.size()) - offset);
                script += FormatDataLine(count, offset, data.data() + offset) + "\r\r\n";
            }
            script += std::string(kEndRecord) + "\r\r\n0>";
        }
        TelnetSocket socket;
        OpenScripted(socket, std::make_shared<ScriptedTransport::Log>()).bytes(script);
        records::FileImage image;
        TransferHooks hooks{[](std::string_view) {}, [](int) {}, [](std::chrono::milliseconds) {}};
        ASSERT_EQ(ReadSetupRecords(socket, image, hooks).outcome, DownloadOutcome::Complete);
        Bytes expected = Header();
        int index = 0;
        for (int n : {0, 2, 3, 4, 5, 6, 7, 8}) {
            expected.push_back(static_cast<std::uint8_t>(n));
            expected.insert(expected.end(), records[index].begin(), records[index].end());
            ++index;
        }
        ASSERT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), expected);
    }
}

}  // namespace
}  // namespace quelvar::monitor
