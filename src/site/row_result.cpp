#include "site/row_result.h"

#include <array>
#include <utility>

namespace quelvar::site {

namespace {

constexpr std::array<std::pair<RowState, std::string_view>, 4> kWords{{
    {RowState::Passed, "pass"},
    {RowState::Failed, "fail"},
    {RowState::Stopped, "stop"},
    {RowState::NotStarted, "not started"},
}};

}  // namespace

std::string_view StateWord(RowState state) {
    for (const auto& [value, word] : kWords) {
        if (value == state) return word;
    }
    return "not started";
}

std::optional<platform::WallTime> RowResult::ended() const {
    if (!started) return std::nullopt;
    return platform::SecondsAfter(*started, seconds);
}

std::optional<RowState> StateFromWord(std::string_view word) {
    for (const auto& [value, text] : kWords) {
        if (text == word) return value;
    }
    return std::nullopt;
}

}  // namespace quelvar::site
