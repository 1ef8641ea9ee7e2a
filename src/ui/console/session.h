#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "app/init_dlg.h"
#include "platform/launcher.h"
#include "ui/console/console_view.h"
#include "ui/console/device_selector.h"
#include "ui/console/options.h"

namespace quelvar::ui::console {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The streams a command talks through, and whether they are terminals.
struct ConsoleStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
    bool errorIsTerminal = false;
};

// One run of the console front-end: the window (a ConsoleView) and its
// presenter, initialised as the window initialises itself, with the
// interactions a user has with the window as plain calls.
class Session {
  public:
    Session(ConsoleStreams& io, const Options& options, platform::Launcher& launcher,
            platform::Language language, const std::filesystem::path& executablePath);

    ConsoleStreams& io() { return io_; }
    const Options& options() const { return options_; }
    ConsoleView& view() { return view_; }
    app::CInitDlg& dlg() { return dlg_; }
    platform::Language language() const { return language_; }
    platform::Launcher& launcher() { return launcher_; }
    const std::filesystem::path& executablePath() const { return executablePath_; }

    // The Search button: its outcome (NotFound when no module answered).
    app::Outcome search();

    // A click on device line `row`: the selection, then the list's
    // notification, which runs the control update.
    void selectDeviceLine(int row);

    // A click on the first listed line whose module the selector names.
    // NotFound, with a message on the error stream, when none does.
    app::Outcome selectDevice(const DeviceSelector& selector);

    // A search, then selectDevice.
    app::Outcome searchAndSelect(const DeviceSelector& selector);

    // Selects a setup record file in the file list as a user would after
    // browsing to its folder: the record folder becomes the file's folder,
    // the list is refilled, and the file's line is clicked. A file whose name
    // the folder listing leaves out (no ".rec") is put into the list as such.
    void selectSetupRecordFile(const std::filesystem::path& file);

  private:
    ConsoleStreams& io_;
    const Options& options_;
    platform::Language language_;
    platform::Launcher& launcher_;
    std::filesystem::path executablePath_;
    ConsoleView view_;
    app::CInitDlg dlg_;
};

}  // namespace quelvar::ui::console
