#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace quelvar::site {

// A text field of an object read from a file that anyone may have written:
// empty when the object, the field or its text is not there.
inline std::string StringField(const nlohmann::json& object, const char* key) {
    if (!object.is_object()) return {};
    auto field = object.find(key);
    return field != object.end() && field->is_string() ? field->get<std::string>() : std::string();
}

// The format and version a file of this tool names at its top.
inline bool HasFormat(const nlohmann::json& document, const char* format, int version) {
    if (!document.is_object() || StringField(document, "format") != format) return false;
    auto field = document.find("version");
    return field != document.end() && field->is_number_integer() && *field == version;
}

}  // namespace quelvar::site
