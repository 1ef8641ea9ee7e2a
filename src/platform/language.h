#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace quelvar::platform {

enum class Language { English, Japanese };

// The user-interface language of the desktop. On Windows it is the user's
// UI language (Japanese when its primary language is Japanese). On POSIX
// the first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not
// empty decides: Japanese when it starts with "ja", English otherwise.
Language userInterfaceLanguage();

// A text in both languages, as the tables of captions and messages keep them.
template <typename Key>
struct Bilingual {
    Key key;
    std::string_view english;
    std::string_view japanese;
};

// The text of `key` in such a table, in `language`; empty when it has none.
template <typename Key, std::size_t N>
constexpr std::string_view TextIn(const std::array<Bilingual<Key>, N>& table, Key key,
                                  Language language) {
    for (const Bilingual<Key>& entry : table) {
        if (entry.key == key) return language == Language::Japanese ? entry.japanese : entry.english;
    }
    return {};
}

// A table's text with %1, %2, ... replaced by `values` in order (a number
// past them stands for nothing).
inline std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < values.size()) text += *(values.begin() + n);
            ++i;
            continue;
        }
        text += c;
    }
    return text;
}

// The POSIX rule over any source of variables, so it can be tested.
Language languageFromEnvironment(
    const std::function<std::optional<std::string>(const char*)>& lookup);

}  // namespace quelvar::platform
