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

}  // namespace quelvar::platform
