#pragma once

#include "ops/outcome.h"
#include "ui/console/console_events.h"

namespace quelvar::ui::console {

// The exit status of a command that ended in `outcome`. A failure the
// operation told no message of (a module not answering at its new address,
// say, after which the window still says "done.") gets a line of its own,
// "COMMAND: reason", so a script's log says why the status is 1.
int Finish(ConsoleEvents& events, const char* command, const ops::Outcome& outcome);

}  // namespace quelvar::ui::console
