#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/facts.h"
#include "platform/wall_clock.h"

namespace quelvar::site {

// How a row of a run over many modules ended.
enum class RowState { NotStarted, Passed, Failed, Stopped };

// The one place a row's state becomes words: "pass", "fail", "stop" and
// "not started", as reports and the console's JSON have them; StateFromWord
// reads them back.
std::string_view StateWord(RowState state);
std::optional<RowState> StateFromWord(std::string_view word);

// One row of a run as it ended: what it did to its module and how it went.
struct RowResult {
    RowState state = RowState::NotStarted;
    std::vector<std::string> steps;  // the steps begun, in order: "set-ip", "load", "verify", "save"
    ops::Reason reason;   // what was done, or why it failed or did not start
    std::string before;   // where the module answered when the run found it; empty: not found
    std::string after;    // where it answers now, as far as the run knows; empty: unknown
    std::optional<platform::WallTime> started;  // when the row began; nullopt: it never did
    double seconds = 0;   // how long the row ran
    std::string log;      // the file its trace went to; empty: none
    std::string product;   // the module's two product letters, as its search reply gave them
    std::string firmware;  // "6.1"; both empty when the module was not found
    std::string sha256;    // of the file written into it or saved from it; empty: none

    bool passed() const { return state == RowState::Passed; }
    // The reason in words, as the console, the windows and the page show it.
    std::string words(platform::Language language) const { return ops::WordsOf(reason, language); }
    // The step the row was at when it ended; empty before its first.
    std::string step() const { return steps.empty() ? std::string() : steps.back(); }
    // When the row ended; nullopt when it never began.
    std::optional<platform::WallTime> ended() const;
};

}  // namespace quelvar::site
