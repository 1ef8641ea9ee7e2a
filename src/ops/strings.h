#pragma once

#include <string>

#include "platform/language.h"

namespace quelvar::ops {

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

}  // namespace quelvar::ops
