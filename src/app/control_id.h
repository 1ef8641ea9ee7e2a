#pragma once

namespace quelvar::app {

// The window's controls keep the identifiers of the original dialog template, so
// traces, tests and every front-end speak of the same numbers.
enum class ControlId : int {
    Search = 1001,
    DeviceList = 1002,
    FileList = 1003,
    LoadSetupRecord = 1004,
    ActivityLog = 1006,
    SaveSetupRecord = 1007,
    BrowseFolder = 1009,
    RecordFolderLabel = 1010,
    IpAddress = 1013,
    SetIpAddress = 1016,
    Progress = 1017,
    Telnet = 1018,
    WebManager = 1019,
    VersionLabel = 1022,
};

}  // namespace quelvar::app
