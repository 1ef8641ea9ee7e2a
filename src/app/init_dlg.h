#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/control_id.h"
#include "app/view.h"
#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"
#include "ops/strings.h"
#include "platform/language.h"
#include "platform/launcher.h"

namespace quelvar::app {

// How a control tells the window that something happened to it.
enum class Notification { Clicked, SelectionChanged, FocusGained };

// The main window's presenter: what belongs to a window and nothing more.
// It reads the widgets (the selections, the IP address control), asks its
// questions, offers the save dialog and the folder chooser, keeps the file
// list, the enabled states and the activity log, and hands each button's
// work to one operation (ops/), which reports back through the window's
// events. It holds no state shared with any other instance.
//
// Each handler has a file of its own in app/: search.cpp, set_ip_address.cpp,
// save_setup_record.cpp, load_setup_record.cpp, launch.cpp, record_folder.cpp.
class CInitDlg {
  public:
    CInitDlg(View& view, platform::Launcher& launcher, platform::Language language,
             std::filesystem::path executablePath);
    ~CInitDlg();
    CInitDlg(const CInitDlg&) = delete;
    CInitDlg& operator=(const CInitDlg&) = delete;

    // Window initialisation: record folder, file list, controls, build line,
    // hidden log, progress range, version label.
    void OnInitDialog();

    // Sends a notification to its handler as the window's notification table
    // does, and returns the handler's outcome; nullopt when no handler takes it.
    std::optional<ops::Outcome> OnNotify(ControlId control, Notification notification);

    // Button handlers. Each blocks until its operation is done; front-ends
    // decide on which thread that happens.
    ops::Outcome OnSearch();
    ops::Outcome OnSaveSetupRecord();
    ops::Outcome OnLoadSetupRecord();
    ops::Outcome OnSetIpAddress();
    ops::Outcome OnBrowseFolder();
    ops::Outcome OnTelnet();
    ops::Outcome OnWebManager();

    // Selection state and the selected device's details.
    void UpdateControls();

    // The file list from a folder (a text ending in the path separator).
    void RefreshFileList(const std::string& folder);

    // The activity log, capped at 65,536 characters (the oldest dropped).
    void AppendLog(std::string_view text);
    void AppendLogFormat(const char* format, int value);
    void AppendLogFormat(const char* format, const std::string& value);
    const std::string& logText() const { return logText_; }

    // The record folder, always ending in the path separator.
    const std::string& recordFolder() const { return recordFolder_; }
    void setRecordFolder(const std::string& folder);

    const discovery::DeviceTable& deviceTable() const { return devices_; }
    platform::Language language() const { return language_; }

  private:
    class WindowEvents;

    // The device table row behind the device list's selection; nullptr when
    // nothing is selected or the selection names no row of the last search.
    const discovery::DeviceEntry* selectedDevice();
    void clearLog();
    void emptyList(ControlId list);
    MessageAnswer showString(MessageKind kind, ops::StringId id);
    bool confirmed(ops::StringId question);

    View& view_;
    platform::Launcher& launcher_;
    platform::Language language_;
    std::filesystem::path executablePath_;
    ops::Retries retries_ = ops::Retries::Window();

    discovery::DeviceTable devices_;
    std::string recordFolder_;
    std::string logText_;
};

// The record folder for an executable: its folder, ending in the separator.
std::string RecordFolderOf(const std::filesystem::path& executablePath);

}  // namespace quelvar::app
