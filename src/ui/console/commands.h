#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "ops/facts.h"
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
int RunDumpCommand(Console& console);
int RunDiffCommand(Console& console, ConsoleEvents& events);
int RunAuditCommand(Console& console, ConsoleEvents& events);

// Why a command cannot go on, a line on stderr in the console's language.
inline void Tell(Console& console, const ops::Reason& why) {
    console.err << ops::WordsOf(why, console.language) << '\n';
}

}  // namespace quelvar::ui::console
