#include "app/outcome.h"

#include "platform/socket.h"

namespace quelvar::app {

std::string DescribeOutcome(const Outcome& outcome) {
    switch (outcome.kind) {
        case OutcomeKind::Success: return "success";
        case OutcomeKind::Cancelled: return "not confirmed";
        case OutcomeKind::NoDevice: return "no module selected";
        case OutcomeKind::DeviceNotAnswering: return "the module does not answer";
        case OutcomeKind::NotFound: return "no module found";
        case OutcomeKind::SocketError: {
            if (outcome.code == -1) return "the module did not send the awaited text";
            std::string text = "socket error " + std::to_string(outcome.code);
            std::string system = platform::systemErrorText(outcome.code);
            return system.empty() ? text : text + " (" + system + ")";
        }
        case OutcomeKind::FileError: return "the file could not be opened or written";
        case OutcomeKind::ReadError: return "the setup record file is cut short";
        case OutcomeKind::RecordRefused: return "the module did not take a record";
        case OutcomeKind::BadAnswer: return "the module's records cannot be kept as a file";
        case OutcomeKind::NotAtNewAddress: return "no answer at the new address";
        case OutcomeKind::NotBackAfterReset: return "no answer after the reset";
        case OutcomeKind::AddressInUse: return "another module answers at the new address";
        case OutcomeKind::TelnetNotInstalled: return "no telnet client installed";
        case OutcomeKind::LaunchFailed: return "the outside program could not be started";
    }
    return "unknown outcome";
}

}  // namespace quelvar::app
