#pragma once

#include "ui/console/session.h"

namespace quelvar::ui::console {

// Each command returns the process exit status: kExitSuccess when its
// operation ended in success, kExitFailure otherwise.
int RunSearchCommand(Session& session);
int RunPingCommand(Session& session);
int RunSetIpCommand(Session& session);
int RunSaveCommand(Session& session);
int RunLoadCommand(Session& session);
int RunTelnetCommand(Session& session);
int RunWebCommand(Session& session);
int RunCommissionCommand(Session& session);

}  // namespace quelvar::ui::console
