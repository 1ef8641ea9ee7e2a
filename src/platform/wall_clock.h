#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quelvar::platform {

// A moment as people write it down: milliseconds since 1970-01-01 UTC.
using WallTime = std::chrono::sys_time<std::chrono::milliseconds>;

WallTime WallNow();

// The moment `seconds` after `time`, to the millisecond.
WallTime SecondsAfter(WallTime time, double seconds);

// "2026-12-08T19:40:12.345Z", as files of this tool keep a moment.
std::string UtcStamp(WallTime time);
// Reads what UtcStamp writes (the milliseconds may be left out); nullopt for
// anything else, including a day that does not exist.
std::optional<WallTime> ParseUtcStamp(std::string_view text);

// A moment in the local time of this machine: "2026-12-08 20:40:12", and
// that time's distance from UTC, in minutes.
struct LocalStamp {
    std::string text;
    int offsetMinutes = 0;
};
LocalStamp LocalTimeOf(WallTime time);

// "UTC+01:00", "UTC-03:30", "UTC+00:00".
std::string UtcOffsetText(int offsetMinutes);

}  // namespace quelvar::platform
