#pragma once

#include <string>

#include "discovery/device_table.h"
#include "platform/ipv4.h"
#include "platform/language.h"

namespace quelvar::ops {

// How an operation ended. The window has already told the user everything
// through its boxes and log and ignores this; the console turns it into an
// exit status and a one-line reason, so nothing is ever decided by reading
// back a message text or a log line.
enum class OutcomeKind {
    Success,
    Cancelled,           // the user declined a confirmation or the save dialog
    NoDevice,            // no module selected, or none by that name among those found
    DeviceNotAnswering,  // the check before the operation went unanswered
    NotFound,            // a search that no module answered
    SocketError,         // `code`: the socket layer's number, -1 for an awaited text not seen
    OpenError,           // the file could not be opened or created
    WriteError,          // the file could not be written; a file it replaces is untouched
    ReadError,           // the setup record file ends inside its header or a record
    EchoMissing,         // the module never echoed a record command
    RecordRefused,       // the module's reply to a record was not "0"
    LineTooLong,         // the module sent a data line longer than 40 bytes
    ImageFull,           // the module's records do not fit a 4096-byte file
    WrongRecordSize,     // a record of another size than its number calls for
    NotAtNewAddress,     // after IP-SETUP nothing answered at the new address
    GivenNotConfirmed,   // IP-SETUP went out to an address outside this PC's networks, known
                         // before it went; nothing answered there, as was to be expected
    OtherModuleAtNewAddress,  // `mac` answers at the new address, not the module
    NotBackAfterReset,   // after the reset the module answered nowhere
    ModuleReplaced,      // another module (`mac`) answers at the module's `address` now
    AddressInUse,        // something already holds `address`: `holder` says what is known of it
    AddressCheckFailed,  // whether `address` is free could not be asked: `code`
    AddressHeldLately,   // a device (hardware address `mac`) answered for `address` `code`
                         // seconds ago, and the system will not ask again for a while
    TelnetNotInstalled,  // no telnet client to start
    LaunchFailed,        // the outside program was found but could not be started
    Stopped,             // the user stopped the run before this was done
};

// What holds an address that is in use, as far as the check could tell.
enum class AddressHolderKind {
    Unnamed,  // a device answered, but did not say which
    Module,   // a module, by its search reply: `mac`
    Station,  // a host that answered address resolution only: its hardware address in `mac`
    Refusing, // a host that refused the requests (port unreachable)
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::Success;
    int code = 0;                      // SocketError, AddressCheckFailed
    discovery::MacAddress mac{};       // OtherModuleAtNewAddress, AddressInUse
    AddressHolderKind holder = AddressHolderKind::Unnamed;  // AddressInUse
    platform::Ipv4Octets address{};    // AddressInUse, AddressCheckFailed

    bool succeeded() const { return kind == OutcomeKind::Success; }
    friend bool operator==(const Outcome&, const Outcome&) = default;
};

inline Outcome Succeeded() { return {}; }
inline Outcome Failed(OutcomeKind kind, int code = 0) {
    Outcome outcome;
    outcome.kind = kind;
    outcome.code = code;
    return outcome;
}

// The system's wording of a socket error number, or "error N" when it has none.
std::string ReasonOf(int code);

// A short reason for summaries and scripts: "socket error 111 (Connection
// refused)", "no answer at the new address", ... (the words of FactOf).
std::string DescribeOutcome(const Outcome& outcome,
                            platform::Language language = platform::Language::English);

}  // namespace quelvar::ops
