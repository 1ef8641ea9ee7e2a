// save: select the module, press Save setuprecord, answer the save dialog.
#include <ostream>

#include "ui/console/commands.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {

using platform::ControlId;

int RunSaveCommand(Session& session) {
    const Options& options = session.options();
    if (!session.searchAndSelect(*options.device).succeeded()) return kExitFailure;

    ConsoleView& view = session.view();
    std::string line =
        view.listText(ControlId::DeviceList, view.listSelection(ControlId::DeviceList));
    std::filesystem::path target = SaveDestination(options.output, line);

    // Checked and asked before anything is read from the module, so a wrong
    // destination or a refusal costs nothing; the dialog below then answers
    // without asking again.
    if (std::string why = CannotCreateReason(target); !why.empty()) {
        view.eraseProgress();
        session.io().err << "cannot write " << target.string() << ": " << why << '\n';
        return kExitFailure;
    }
    std::error_code error;
    if (std::filesystem::exists(target, error) &&
        !view.confirm(target.string() + " exists. Replace it?")) {
        return kExitFailure;
    }
    if (!SaveSelectedTo(session, target).succeeded()) return kExitFailure;
    view.eraseProgress();
    session.io().out << target.string() << '\n';
    return kExitSuccess;
}

}  // namespace quelvar::ui::console
