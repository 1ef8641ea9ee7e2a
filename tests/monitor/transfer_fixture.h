#pragma once

// What the two transfers send, log and keep, for the tests of the operations
// and of the window: the records a test file holds, the bytes a module
// receives for them, the trace texts, and plain file access.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "monitor/data_line.h"
#include "records/rec_file.h"

namespace quelvar::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The whole file; empty when there is none.
inline Bytes FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// False when the file could not be written whole.
[[nodiscard]] inline bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// --- Load setuprecord ------------------------------------------------------

// A record of the size its number calls for (0: 120 bytes, the others 126),
// its bytes a pattern of its number.
inline records::Record RecordOf(int number) {
    Bytes data(number == 0 ? 120 : 126);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(number * 13 + static_cast<int>(i) * 3);
    }
    return {static_cast<std::uint8_t>(number), data};
}

// What the module receives for one record: command, lines of 32 bytes, end record.
inline std::string WireOf(const records::Record& record) {
    std::string wire = "S" + std::to_string(record.number) + "\r\n";
    const int size = static_cast<int>(record.data.size());
    for (int offset = 0; offset < size; offset += 32) {
        wire += monitor::FormatDataLine(std::min(32, size - offset), offset,
                                        record.data.data() + offset);
    }
    return wire + ":00000001FF";
}

inline const std::string kLoadTraceToRecords =
    "Initialize:start.\r\nsetup record:open.header skip.success.\r\n"
    "telnet:start.connect.success.\r\nmon mode.success.\r\nsetup record:send start.\r\n";

inline std::string LoadRecordTrace(int number) {
    return "setup:read:" + std::to_string(number) + ":cmd:read:send:footer:success.\r\n";
}

// From the reset on. A file of fewer than ten records logs one more "setup:"
// before it, where its list runs out; one of ten or more never does.
inline const std::string kLoadTraceAfterRecords =
    "device reset:send:success.\r\nInitialize:success:\r\nping:success:\r\n\r\n"
    "Initialize:end.\r\n";

// --- Save setuprecord ------------------------------------------------------

// The records a module holds by default, in the order they are read.
inline const std::vector<int> kDefaultRecordNumbers{0, 2, 3, 4, 5, 6, 7, 8};

inline const std::string kSaveTraceToRecords =
    "Save:start.\r\ntelnet:start.connect.success.\r\nwait\"Mode\"-mon mode.success.\r\n"
    "setup record:recv start.\r\n";

inline std::string SaveRecordsTrace(const std::vector<int>& numbers) {
    std::string trace;
    for (int n : numbers) trace += "setup " + std::to_string(n) + " getting...ok\r\n";
    return trace;
}

// The file the download makes of these records, in the order given.
inline Bytes FileOf(const std::map<int, Bytes>& records, const std::vector<int>& order) {
    std::vector<records::Record> list;
    for (int n : order) list.push_back({static_cast<std::uint8_t>(n), records.at(n)});
    return records::EncodeRecords(list);
}

}  // namespace quelvar::testing
