#pragma once

#include <span>

#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "records/rec_file.h"

namespace quelvar::monitor {

// How writing setup records into a module ended.
enum class UploadOutcome {
    Complete,       // every record was taken
    SocketError,    // a send or the reply read failed; `code` holds its number
    EchoMissing,    // the module never echoed a record command
    RecordRefused,  // the module's reply to a record was not "0"
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::Complete;
    int code = 0;
    // Records the module confirmed, in order; on a failure the record after
    // them may be partly written.
    std::size_t taken = 0;
    bool anySent = false;  // a record command went out: the module may have changed
};

// Writes the records, in order, into a module in monitor mode: for each the
// command "S%d\r\n", its data lines 10 ms apart, the end record, then the
// echo and the module's three-byte reply. One pass per record, at most ten,
// and one more pass that finds the list over when fewer than ten are given;
// each pass is told by its number. Stops at the first failure.
[[nodiscard]] UploadResult WriteSetupRecords(TelnetSocket& socket,
                                             std::span<const records::Record> records,
                                             const TransferHooks& hooks);

// The reset command "RS\r\n" that makes a module restart with its new records.
[[nodiscard]] int SendReset(TelnetSocket& socket);

}  // namespace quelvar::monitor
