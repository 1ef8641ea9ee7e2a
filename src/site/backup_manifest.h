#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "ops/facts.h"
#include "platform/wall_clock.h"

namespace quelvar::site {

// One module of a backup: which it was, where, what it is, and what became of it.
struct BackupEntry {
    discovery::MacAddress mac{};
    std::string address;   // "127.0.0.2" where it answered; empty when never found
    std::string product;   // its two product letters, as its reply gave them
    std::string firmware;  // "6.1"
    std::string file;      // a file name inside the backup's folder; empty when none
    std::string sha256;    // of that file, 64 lower-case hexadecimal digits
    bool saved = false;
    ops::Reason reason;    // why it was not saved (again, for an entry kept from before)
    std::optional<platform::WallTime> started;  // when its save began; nullopt: never
    double seconds = 0;                         // how long the save took
};

// The manifest kept beside a backup's files, "backup.json":
// {"format":"quelvarinit-backup","version":2,
//  "modules":[{"mac":...,"address":...,"product":...,"firmware":...,
//              "file":...,"sha256":...,"result":...[,"reason":...]}, ...],
//  "times":[{"mac":...,"start":...,"end":...,"seconds":...}, ...]}
// A backup folder is meant to be kept in git, where a module's lines should
// change only when what the backup holds of it changes: its entry holds only
// that, when each save ran (which changes every run) is under "times", and
// both lists are in MAC order with their keys in a fixed order, so that a
// module's lines stay where they were whatever order the modules answered in.
inline constexpr const char* kManifestName = "backup.json";
inline constexpr const char* kManifestFormat = "quelvarinit-backup";
std::string ManifestText(const std::vector<BackupEntry>& entries);

// Reads a manifest, checking everything in it: a MAC address and a plain file
// name (no folder, no control character) for every saved module, a SHA-256
// of 64 hexadecimal digits. nullopt with the reason in `error` otherwise.
// Version 1 manifests, with the times in each module's entry, read as well;
// times that do not read are left out, as they are not needed to restore.
std::optional<std::vector<BackupEntry>> ParseManifest(std::string_view text, ops::Fact& error);

// A file name that can only name a file inside its folder: not empty, no
// path separator, no control character, not "." or "..".
bool IsPlainFileName(std::string_view name);

}  // namespace quelvar::site
