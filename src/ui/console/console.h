#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "ops/retries.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "ui/console/options.h"

namespace quelvar::ui::console {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// One run of the console front-end: its streams, what the command line said,
// and what the operations need from the machine.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
    bool errorIsTerminal = false;
    const Options& options;
    platform::Language language;
    platform::Launcher& launcher;
    // A console is used over Wi-Fi and VPNs and by scripts: its operations
    // try again where one lost datagram would otherwise decide.
    ops::Retries retries = ops::Retries::Persistent();
};

// Asks a question of the console's own and says whether it was answered yes:
// --yes answers every question; otherwise a user at a terminal types "y";
// with no terminal nobody can answer, so the answer is no and nothing that
// needs one happens.
bool Confirm(Console& console, const std::string& question);

// The exit status for an operation's outcome.
int ExitStatusOf(bool succeeded);

}  // namespace quelvar::ui::console
