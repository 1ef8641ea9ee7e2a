#pragma once

#include <string>

namespace quelvar::app {

// How an operation ended. The window has already told the user everything
// through its boxes and log and ignores this; the console turns it into an
// exit status and a one-line reason, so nothing is ever decided by reading
// back a message text or a log line.
enum class OutcomeKind {
    Success,
    Cancelled,           // the user declined a confirmation or the save dialog
    NoDevice,            // no device line selected (or no row behind it)
    DeviceNotAnswering,  // the check before the operation went unanswered
    NotFound,            // a search that no module answered
    SocketError,         // `code`: the socket layer's number, -1 for an awaited text not seen
    FileError,           // the file could not be opened, created or written
    ReadError,           // the setup record file ends inside its header or a record
    RecordRefused,       // the module did not take a record (no echo, or not "0")
    BadAnswer,           // the module's records cannot be kept as a file
    NotAtNewAddress,     // after IP-SETUP nothing answered at the new address
    NotBackAfterReset,   // after the reset the module never answered again
    AddressInUse,        // another module already answers at the new address
    TelnetNotInstalled,  // no telnet client to start
    LaunchFailed,        // the outside program was found but could not be started
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Success;
    int code = 0;  // SocketError only

    bool succeeded() const { return kind == OutcomeKind::Success; }
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

inline Outcome Succeeded() { return {}; }
inline Outcome Failed(OutcomeKind kind, int code = 0) { return {kind, code}; }

// A short English reason for summaries and scripts: "socket error 111
// (Connection refused)", "no answer at the new address", ...
std::string DescribeOutcome(const Outcome& outcome);

}  // namespace quelvar::app
