// telnet and web: the two launch buttons for the selected module.
#include "ui/console/commands.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {

namespace {

int launch(Session& session, platform::ControlId button) {
    if (!session.searchAndSelect(*session.options().device).succeeded()) return kExitFailure;
    std::optional<app::Outcome> outcome =
        session.dlg().OnNotify(button, app::Notification::Clicked);
    return outcome ? ExitStatusOf(*outcome) : kExitFailure;
}

}  // namespace

int RunTelnetCommand(Session& session) {
    return launch(session, platform::ControlId::Telnet);
}

int RunWebCommand(Session& session) {
    return launch(session, platform::ControlId::WebManager);
}

}  // namespace quelvar::ui::console
