#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ops/facts.h"
#include "records/file_contents.h"
#include "site/audit.h"
#include "site/device_selector.h"
#include "site/site_run.h"

namespace quelvar::site {

// Where the records of an audit come from, for both front-ends: a reference
// file, a sheet's modules, a backup folder's files, or the modules
// themselves read in a run. Each reader that can fail says why as facts.

// Far beyond any file a download writes (about a kilobyte): a file this
// large is not one, and is not read whole into memory.
inline constexpr std::size_t kMaxRecordFileBytes = 1 << 20;

// A setup record file read whole, every record of it, and its bytes (for its
// SHA-256); nullopt with why when it cannot be read or is cut short.
struct RecordFile {
    records::FileContents contents;
    std::vector<std::uint8_t> bytes;
};
std::optional<RecordFile> ReadRecordFile(const std::string& name, ops::Reason& why);

// The modules a commissioning sheet names, by MAC address, in its order;
// nullopt with why when the sheet does not read, has a row that cannot be
// used, or none.
std::optional<std::vector<DeviceSelector>> ModulesOfSheet(const std::string& sheet,
                                                          ops::Reason& why);

// Every module of a backup's manifest with the records of its file, each
// file checked against the SHA-256 the backup saved (as a restore checks
// it); a module whose file was not saved, is missing, changed or cut short
// could not be read. Nothing is sent anywhere. Nullopt with why when the
// folder holds no backup.
std::optional<std::vector<AuditedSource>> ReadBackupForAudit(const std::string& folder,
                                                             ops::Reason& why);

// The setup records of every module the search finds, or of those named,
// read `options.jobs` at once as a backup reads them, each row named by its
// MAC address. A module named and found nowhere is not found. No module:
// no source. `read` hears of each module as its row ends, on the row's own
// thread, before `events` does, so that a window can compare it at once.
std::vector<AuditedSource> ReadModulesForAudit(
    const std::vector<DeviceSelector>& named, const RunOptions& options, RunEvents& events,
    const std::function<void(const AuditedSource&)>& read = {});

}  // namespace quelvar::site
