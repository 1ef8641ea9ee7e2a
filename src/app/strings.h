#pragma once

#include <string>

#include "platform/language.h"

namespace quelvar::app {

// The string table; the numbers are the resource identifiers the window has
// always used.
enum class StringId : int {
    SocketStartupFailed = 103,
    NotFound = 104,
    Done = 105,
    TelnetNotInstalled = 106,
    DeviceCannotCommunicate = 107,
    ConfirmSetIpAddress = 108,
    ConfirmApplySetupRecord = 109,
};

// The text of one string in the given language (UTF-8).
const std::string& LoadString(StringId id, platform::Language language);

// The tool's own wordings for failures the string table has no entry for.
enum class ToolText {
    WaitFailed,      // the transport's -1: a wait that never saw its text
    LineTooLong,     // a module's data line longer than the tool can take
    ImageFull,       // more setup records than one file holds
    WriteFailed,     // the file could not be written; the old one is untouched
    AddressInUse,    // another module answers at the new address: {mac}, {address}
    WrongRecordSize, // a module's setup record of another size than its number calls for
};

const std::string& LoadToolText(ToolText text, platform::Language language);

}  // namespace quelvar::app
