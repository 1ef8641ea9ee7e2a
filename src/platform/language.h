#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quelvar::platform {

enum class Language { English, Japanese };

// The user-interface language of the desktop. On Windows it is the user's
// UI language (Japanese when its primary language is Japanese). On POSIX
// the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not
// empty decides: Japanese when it starts with "ja", English otherwise.
Language userInterfaceLanguage();

// The POSIX rule over any source of variables, so it can be tested.
Language languageFromEnvironment(
    const std::function<std::optional<std::string>(const char*)>& lookup);

}  // namespace quelvar::platform
