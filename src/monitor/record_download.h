#pragma once

#include "monitor/telnet.h"
#include "monitor/transfer_hooks.h"
#include "records/rec_file.h"

namespace quelvar::monitor {

// How reading a module's records ended.
enum class DownloadOutcome {
    Complete,     // every requested record was read
    EndAnswer,    // the module said it has no more records ("9>")
    SocketError,  // a send or an exact-count read failed; `code` holds its number
    LineTooLong,  // a data line announced more than 40 data bytes
    ImageFull,    // the records would not fit the 4096-byte file image
    WrongSize,    // a whole record whose size is not the one its number calls for
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::Complete;
    int code = 0;
};


// The records a download asks for, in order; 1 and 9 are never asked for.
inline constexpr int kFirstRecordSlot = 0;
inline constexpr int kLastRecordSlot = 9;
// Data bytes one line of a module's answer may carry: the line buffer holds
// 80 hexadecimal characters.
inline constexpr int kMaxAnswerLineBytes = 40;
// A module's answers come at once and the reading of all eight takes about
// 3 s, most of it the tool's own 100 ms pauses. Every byte of a peer that
// drips within its second would be taken, and a long enough answer would
// hold the reading for hours: past this it fails with the time-out error.
inline constexpr std::chrono::milliseconds kDownloadLimit{60000};

// Asks a module in monitor mode for its setup records 0 and 2 to 8 ("G%d\r\n")
// and appends each as its number byte and data bytes to `image`. An end
// answer stops the reading without error; whatever record it cut short is
// taken off the image again, so the image holds complete records only.
// A record the module ends itself must have the size its number calls for
// (records::RecordDataSize): any other size would make a file that cannot be
// loaded back, so it fails the download (WrongSize) before its "ok". The
// reading as a whole ends after kDownloadLimit (SocketError, kTimedOut).
[[nodiscard]] DownloadResult ReadSetupRecords(TelnetSocket& socket, records::FileImage& image,
                                              const TransferHooks& hooks);

}  // namespace quelvar::monitor
