#include "ops/outcome.h"

#include "platform/socket.h"

namespace quelvar::ops {

std::string ReasonOf(int code) {
    std::string system = platform::systemErrorText(code);
    return system.empty() ? "error " + std::to_string(code) : system;
}

std::string DescribeOutcome(const Outcome& outcome) {
    switch (outcome.kind) {
        case OutcomeKind::Success: return "success";
        case OutcomeKind::Cancelled: return "not confirmed";
        case OutcomeKind::NoDevice: return "no such module";
        case OutcomeKind::DeviceNotAnswering: return "the module does not answer";
        case OutcomeKind::NotFound: return "no module found";
        case OutcomeKind::SocketError: {
            if (outcome.code == -1) return "the module did not send the awaited text";
            std::string text = "socket error " + std::to_string(outcome.code);
            std::string system = platform::systemErrorText(outcome.code);
            return system.empty() ? text : text + " (" + system + ")";
        }
        case OutcomeKind::OpenError: return "the file could not be opened or created";
        case OutcomeKind::WriteError: return "the file could not be written";
        case OutcomeKind::ReadError: return "the setup record file is cut short";
        case OutcomeKind::EchoMissing: return "the module did not echo a record";
        case OutcomeKind::RecordRefused: return "the module did not take a record";
        case OutcomeKind::LineTooLong:
        case OutcomeKind::ImageFull:
        case OutcomeKind::WrongRecordSize: return "the module's records cannot be kept as a file";
        case OutcomeKind::NotAtNewAddress: return "no answer at the new address";
        case OutcomeKind::GivenNotConfirmed:
            return "address given, not confirmed: outside this PC's networks";
        case OutcomeKind::OtherModuleAtNewAddress:
            return "another module (" + discovery::FormatMac(outcome.mac) +
                   ") answers at the new address";
        case OutcomeKind::NotBackAfterReset: return "not found again after the reset";
        case OutcomeKind::ModuleReplaced:
            return "another module (" + discovery::FormatMac(outcome.mac) + ") answers at " +
                   platform::formatIpv4(outcome.address) + " now: nothing more written";
        case OutcomeKind::AddressInUse:
            switch (outcome.holder) {
                case AddressHolderKind::Module:
                    return "address in use by " + discovery::FormatMac(outcome.mac);
                case AddressHolderKind::Station:
                    return "address in use by a device with hardware address " +
                           discovery::FormatMac(outcome.mac) +
                           ", which answers address resolution but no module request";
                case AddressHolderKind::Refusing:
                    return "address in use by a device that refuses module requests (port "
                           "unreachable)";
                case AddressHolderKind::Unnamed: break;
            }
            return "address in use by a device that does not say which";
        case OutcomeKind::AddressCheckFailed:
            return "could not check whether " + platform::formatIpv4(outcome.address) +
                   " is free: " + ReasonOf(outcome.code) + "; nothing sent";
        case OutcomeKind::AddressHeldLately:
            return platform::formatIpv4(outcome.address) + " was held by hardware address " +
                   discovery::FormatMac(outcome.mac) + " " + std::to_string(outcome.code) +
                   " s ago, and the system asks again only within a minute; nothing sent";
        case OutcomeKind::TelnetNotInstalled: return "no telnet client installed";
        case OutcomeKind::LaunchFailed: return "the outside program could not be started";
        case OutcomeKind::Stopped: return "stopped";
    }
    return "unknown outcome";
}

}  // namespace quelvar::ops
