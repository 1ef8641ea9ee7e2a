#include "platform/wall_clock.h"

#include <cstdio>
#include <ctime>

namespace quelvar::platform {

namespace {

using namespace std::chrono;

// The calendar fields of a moment, counted in whole seconds from their day.
struct Fields {
    year_month_day day;
    hh_mm_ss<milliseconds> clock{milliseconds(0)};
};

Fields fieldsOf(sys_time<milliseconds> time) {
    const sys_days day = floor<days>(time);
    return {year_month_day(day), hh_mm_ss<milliseconds>(time - day)};
}

bool digits(std::string_view text, std::size_t from, std::size_t count, int& value) {
    if (from + count > text.size()) return false;
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

WallTime WallNow() {
    return floor<milliseconds>(system_clock::now());
}

WallTime SecondsAfter(WallTime time, double seconds) {
    return time + milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

std::string UtcStamp(WallTime time) {
    const Fields at = fieldsOf(time);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                  static_cast<int>(at.day.year()), static_cast<unsigned>(at.day.month()),
                  static_cast<unsigned>(at.day.day()), static_cast<int>(at.clock.hours().count()),
                  static_cast<int>(at.clock.minutes().count()),
                  static_cast<int>(at.clock.seconds().count()),
                  static_cast<int>(at.clock.subseconds().count()));
    return text;
}

std::optional<WallTime> ParseUtcStamp(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS[.mmm]Z
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    if (!digits(text, 0, 4, y) || text.size() < 20 || text[4] != '-' || !digits(text, 5, 2, mo) ||
        text[7] != '-' || !digits(text, 8, 2, d) || text[10] != 'T' || !digits(text, 11, 2, h) ||
        text[13] != ':' || !digits(text, 14, 2, mi) || text[16] != ':' || !digits(text, 17, 2, s)) {
        return std::nullopt;
    }
    std::size_t end = 19;
    if (text[end] == '.') {
        if (!digits(text, 20, 3, ms)) return std::nullopt;
        end = 23;
    }
    if (text.size() != end + 1 || text[end] != 'Z') return std::nullopt;
    const year_month_day day{year(y), month(static_cast<unsigned>(mo)),
                             std::chrono::day(static_cast<unsigned>(d))};
    if (!day.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    return WallTime(sys_days(day).time_since_epoch() + hours(h) + minutes(mi) + seconds(s) +
                    milliseconds(ms));
}

LocalStamp LocalTimeOf(WallTime time) {
    // Through seconds, not the system clock's own unit: nanoseconds would
    // overflow for moments past 2262, which a file may name.
    const auto whole = static_cast<std::time_t>(floor<seconds>(time).time_since_epoch().count());
    std::tm local{};
#ifdef _WIN32
    const bool known = localtime_s(&local, &whole) == 0;
#else
    const bool known = localtime_r(&whole, &local) != nullptr;
#endif
    if (!known) {
        const Fields at = fieldsOf(time);
        char text[80];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d",
                      static_cast<int>(at.day.year()), static_cast<unsigned>(at.day.month()),
                      static_cast<unsigned>(at.day.day()),
                      static_cast<int>(at.clock.hours().count()),
                      static_cast<int>(at.clock.minutes().count()),
                      static_cast<int>(at.clock.seconds().count()));
        return {text, 0};
    }
    // The local fields read as if they were UTC, less the moment itself, is
    // the offset: no time zone table needed, on any system.
    const sys_seconds asIfUtc =
        sys_days(year_month_day{year(local.tm_year + 1900),
                                month(static_cast<unsigned>(local.tm_mon + 1)),
                                day(static_cast<unsigned>(local.tm_mday))}) +
        hours(local.tm_hour) + minutes(local.tm_min) + seconds(local.tm_sec);
    const auto offset = duration_cast<minutes>(asIfUtc - sys_seconds(seconds(whole)));
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return {text, static_cast<int>(offset.count())};
}

std::string UtcOffsetText(int offsetMinutes) {
    const char sign = offsetMinutes < 0 ? '-' : '+';
    const int size = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[32];
    std::snprintf(text, sizeof text, "UTC%c%02d:%02d", sign, size / 60, size % 60);
    return text;
}

}  // namespace quelvar::platform
