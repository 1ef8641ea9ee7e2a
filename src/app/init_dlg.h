#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "discovery/device_table.h"
#include "discovery/search.h"
#include "monitor/transfer_hooks.h"
#include "platform/control_id.h"
#include "platform/language.h"
#include "platform/launcher.h"
#include "platform/view.h"
#include "app/outcome.h"
#include "app/strings.h"

namespace quelvar::app {

// How a control tells the window that something happened to it.
enum class Notification { Clicked, SelectionChanged, FocusGained };

// The main window's presenter. It owns the window's state (device table,
// record folder, activity log text) and runs every operation of the tool,
// reaching the window only through the View and the modules only through the
// protocol layer (discovery/, monitor/, records/). Each operation blocks until
// it is done and returns how it ended; front-ends decide on which thread that
// happens. It holds no state shared with any other instance, so one per
// module may run side by side.
//
// Each operation has a file of its own in app/: search.cpp,
// set_ip_address.cpp, save_setup_record.cpp, load_setup_record.cpp, ...
class CInitDlg {
public:
    CInitDlg(platform::View& view, platform::Launcher& launcher, platform::Language language,
             std::filesystem::path executablePath);

    // Window initialisation: record folder, file list, controls, build line,
    // hidden log, progress range, version label.
    void OnInitDialog();

    // Sends a notification to its handler as the window's notification table
    // does, and returns the handler's outcome; nullopt when no handler takes it.
    std::optional<Outcome> OnNotify(platform::ControlId control, Notification notification);

    // Button handlers.
    Outcome OnSearch();
    Outcome OnSaveSetupRecord();
    Outcome OnLoadSetupRecord();
    Outcome OnSetIpAddress();
    Outcome OnBrowseFolder();
    Outcome OnTelnet();
    Outcome OnWebManager();

    // Selection state and the selected device's details.
    void UpdateControls();

    // The file list from a folder (a text ending in the path separator).
    void RefreshFileList(const std::string& folder);

    // The activity log.
    void AppendLog(std::string_view text);
    void AppendLogFormat(const char* format, int value);
    void AppendLogFormat(const char* format, const std::string& value);
    void ReportSocketError(int code);

    // The record folder, always ending in the path separator.
    const std::string& recordFolder() const { return recordFolder_; }
    void setRecordFolder(const std::string& folder);

    // Where the search request goes: the limited broadcast by default; a
    // front-end may aim it at one subnet's broadcast or at one module.
    void setSearchDestination(const platform::Ipv4Octets& destination) {
        searchDestination_ = destination;
    }
    const platform::Ipv4Octets& searchDestination() const { return searchDestination_; }
    // Limits the search to one network adapter, by name (nullopt: every adapter).
    void setSearchAdapter(std::optional<std::string> name) { searchAdapter_ = std::move(name); }
    // How the last search went out, adapter by adapter: what explains an empty result.
    const discovery::SearchResult& lastSearch() const { return lastSearch_; }

    const discovery::DeviceTable& deviceTable() const { return devices_; }
    // Replies the last search read after the table was full (not listed).
    int repliesBeyondTable() const { return lastSearch_.dropped; }

    // Lists the modules of a search made elsewhere, as the end of a search
    // lists its own: several presenters can then work on the modules of one
    // search without each asking the network again.
    void adoptSearchResult(const discovery::DeviceTable& devices);
    platform::Language language() const { return language_; }
    platform::View& view() { return view_; }

    // The device table row behind the device list's selection; nullptr when
    // nothing is selected or the selection names no row of the last search.
    const discovery::DeviceEntry* selectedDevice();

private:
    // Shared helpers of the operations.
    void clearLog();
    void emptyList(platform::ControlId list);
    platform::MessageAnswer showString(platform::MessageKind kind, StringId id);
    // The reachability check before an operation on a module: one status
    // query; when it goes unanswered the user is told and false returned.
    bool checkDeviceAnswers(const std::string& ipText);
    // The end of a search: the table's rows as device lines, no file selected.
    void listDevices();
    // The end of an operation that changed a module: the device list emptied
    // (a new search must come first), "done." shown at `progressWhileDone`,
    // then the closing log line.
    void finishModuleOperation(int progressWhileDone, std::string_view endLine);
    // A transfer's trace and progress go to the window; its pauses are real.
    monitor::TransferHooks transferHooks();

    platform::View& view_;
    platform::Launcher& launcher_;
    platform::Language language_;
    std::filesystem::path executablePath_;

    discovery::DeviceTable devices_;
    std::string recordFolder_;
    std::string logText_;
    platform::Ipv4Octets searchDestination_{255, 255, 255, 255};
    std::optional<std::string> searchAdapter_;
    discovery::SearchResult lastSearch_;
};

// The record folder for an executable: its folder, ending in the separator.
std::string RecordFolderOf(const std::filesystem::path& executablePath);

// The log text after appending, with the oldest characters dropped so that at
// most `cap` remain.
inline constexpr std::size_t kLogCap = 65536;
void AppendCapped(std::string& log, std::string_view text, std::size_t cap = kLogCap);

}  // namespace quelvar::app
