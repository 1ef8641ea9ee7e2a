// telnet and web: the two launch buttons for the selected module.
#include "ui/console/commands.h"

namespace quelvar::ui::console {

namespace {

int launch(Session& session, platform::ControlId button) {
    if (!session.searchAndSelect(*session.options().device)) return kExitFailure;
    std::size_t mark = session.view().boxes().size();
    session.dlg().OnNotify(button, app::Notification::Clicked);
    // Both operations are silent when they hand the address over; any box
    // ("cannot communicate", "not installed") means nothing was started.
    return session.view().boxes().size() == mark ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunTelnetCommand(Session& session) {
    return launch(session, platform::ControlId::Telnet);
}

int RunWebCommand(Session& session) {
    return launch(session, platform::ControlId::WebManager);
}

}  // namespace quelvar::ui::console
