#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/outcome.h"
#include "ops/retries.h"
#include "site/backup_manifest.h"

namespace quelvar::site {

// What the manifest will say of a module found for a backup before anything
// is read from it: which it is, where it answered, and the file it goes to,
// named by its device line so that a technician knows the file at a glance.
BackupEntry PlanBackupEntry(const discovery::DeviceEntry& module);

// Reads the module's setup records into `folder`/`entry.file`, replacing a
// file there, and records in `entry` that it was saved and its SHA-256, or
// why not.
ops::Outcome BackUpModule(const discovery::DeviceEntry& module, const std::filesystem::path& folder,
                          BackupEntry& entry, const ops::Retries& retries, ops::Events& events);

// The manifest after a run: its own entries, then those of the manifest that
// was there for every module the run did not touch. A module the run could
// not save keeps the entry of its earlier backup, whose file is still there,
// with why it was not saved again as its reason.
std::vector<BackupEntry> MergeManifest(const std::vector<BackupEntry>& entries,
                                       const std::vector<BackupEntry>& earlier);

// The file of a manifest's entry as it is checked for a restore.
struct RestoreFile {
    // The bytes that matched the backup's SHA-256: these are what is applied,
    // so a file changed after the check (while the restore waits for its
    // confirmation, say) never reaches a module.
    std::vector<std::uint8_t> bytes;
    // Why it cannot be restored (not saved, missing, or not the bytes the
    // backup saved); empty when it can.
    ops::Reason problem;
};
RestoreFile CheckRestoreFile(const std::filesystem::path& folder, const BackupEntry& entry);

}  // namespace quelvar::site
