#include <cstdlib>

#include "platform/language.h"

namespace quelvar::platform {

Language languageFromEnvironment(
    const std::function<std::optional<std::string>(const char*)>& lookup) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::optional<std::string> value = lookup(name);
        if (!value || value->empty()) continue;
        // LANGUAGE may list several languages ("ja:en"); the first one is preferred.
        return value->rfind("ja", 0) == 0 ? Language::Japanese : Language::English;
    }
    return Language::English;
}

Language userInterfaceLanguage() {
    return languageFromEnvironment([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value) return std::nullopt;
        return std::string(value);
    });
}

}  // namespace quelvar::platform
