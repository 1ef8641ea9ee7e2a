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
// is read from it: which it is, where it answered, and the file it goes to.
// The file is named by what stays with the module for its life, its MAC
// address and product letters ("02-00-00-11-22-33 - AB.rec"): a technician
// still knows the file at a glance, and a module that is readdressed or
// updated keeps its file, so that a backup folder kept in git shows the
// module's file changed rather than one file deleted and another added.
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

// The files of the earlier manifest that `manifest` replaced with another of
// the same module: a module saved again whose earlier file had another name
// (backups named their files by the whole device line, address and firmware
// included, before). Left in the folder, the old one would be a second file
// of the module that no manifest vouches for. A file the earlier entry still
// stands for (a module not saved again) is never among them.
std::vector<std::string> ReplacedFiles(const std::vector<BackupEntry>& manifest,
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
