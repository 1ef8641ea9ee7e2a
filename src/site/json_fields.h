#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/wall_clock.h"

namespace quelvar::site {

// A field of an object read from a file that anyone may have written, or
// null when the object or the field is not there. nlohmann's own value()
// throws on a field of another kind, so files are never read with it.
inline const nlohmann::json& Field(const nlohmann::json& object, const char* key) {
    static const nlohmann::json none;
    if (!object.is_object()) return none;
    auto field = object.find(key);
    return field != object.end() ? *field : none;
}

// A text field of an object read from a file that anyone may have written:
// empty when the object, the field or its text is not there.
inline std::string StringField(const nlohmann::json& object, const char* key) {
    const nlohmann::json& field = Field(object, key);
    return field.is_string() ? field.get<std::string>() : std::string();
}

// The format and version a file of this tool names at its top.
inline bool HasFormat(const nlohmann::json& document, const char* format, int version) {
    const nlohmann::json& field = Field(document, "version");
    return StringField(document, "format") == format && field.is_number_integer() &&
           field == version;
}

// A moment a file of this tool names under `key` (see platform::UtcStamp);
// nullopt when it names none, or none that reads as one.
inline std::optional<platform::WallTime> TimeField(const nlohmann::json& object, const char* key) {
    return platform::ParseUtcStamp(StringField(object, key));
}

// The seconds a file names under `key`; 0 when none, or none a run could
// have taken (negative, or more than a year: such a number would overflow
// the moment it is added to).
inline double SecondsField(const nlohmann::json& object, const char* key) {
    const nlohmann::json& field = Field(object, key);
    if (!field.is_number()) return 0;
    const double seconds = field.get<double>();
    return seconds >= 0 && seconds <= 366.0 * 24 * 3600 ? seconds : 0;
}

// Seconds as files of this tool keep them: to the tenth.
inline double TenthsOf(double seconds) {
    return static_cast<double>(static_cast<long long>(seconds * 10 + 0.5)) / 10;
}

}  // namespace quelvar::site
