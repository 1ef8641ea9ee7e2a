#include <cstdlib>

#include "platform/language.h"

namespace quelvar::platform {

Language userInterfaceLanguage() {
    return languageFromEnvironment([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (!value) return std::nullopt;
        return std::string(value);
    });
}

}  // namespace quelvar::platform
