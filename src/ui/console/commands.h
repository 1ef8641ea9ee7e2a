#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "site/user_file.h"
#include "ui/console/console.h"
#include "ui/console/console_events.h"

namespace quelvar::ui::console {

// Each command returns the process exit status. Its operations report
// through `events`, whose log --log writes when the command ends.
int RunSearchCommand(Console& console, ConsoleEvents& events);
int RunPingCommand(Console& console, ConsoleEvents& events);
int RunSetIpCommand(Console& console, ConsoleEvents& events);
int RunSaveCommand(Console& console, ConsoleEvents& events);
int RunLoadCommand(Console& console, ConsoleEvents& events);
int RunTelnetCommand(Console& console, ConsoleEvents& events);
int RunWebCommand(Console& console, ConsoleEvents& events);
int RunCommissionCommand(Console& console, ConsoleEvents& events);
int RunBackupCommand(Console& console, ConsoleEvents& events);
int RunRestoreCommand(Console& console, ConsoleEvents& events);
int RunReportCommand(Console& console);

// The text of a file the command names (see site::ReadUserFile); why not on stderr.
inline std::optional<std::string> ReadNamedFile(Console& console, const std::string& name,
                                                std::size_t limit, const char* kind) {
    std::string why;
    std::optional<std::string> text = site::ReadUserFile(name, limit, kind, why);
    if (!text) console.err << why << '\n';
    return text;
}

}  // namespace quelvar::ui::console
