#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"

namespace quelvar::ops {

struct ApplyResult {
    Outcome outcome;
    // Where the module answers after its reset: where it was, or where its
    // new records moved it. nullopt when it was not found again.
    std::optional<discovery::DeviceEntry> module;
};

// Applies a setup record file to a module: the check that it answers, the
// file's records (all read before anything is sent, at most ten), each
// written through the monitor mode, the reset, then status queries at the
// module's address until it answers again. With `retries.confirmWhereabouts`
// the module answering there must say by its search reply that it is the
// module, and since its records may carry its own network settings, one that
// does not come back there is looked for once by its MAC address. With
// `retries.uploadTries` above one, a write that stopped midway while the
// module still answers is made again whole, and a note says so. The trace and
// the stages are the window's; "done." follows once the reset went out.
// When a write stops for good, a note says which records the module may now
// hold.
ApplyResult ApplySetupRecordFile(const discovery::DeviceEntry& device,
                                 const std::filesystem::path& file, const Retries& retries,
                                 Events& events);

// The same with the file's bytes as they were read (and checked) before:
// what reaches the module is what was checked, whatever becomes of the file
// meanwhile. `file` names it in the trace and the notes.
ApplyResult ApplySetupRecordBytes(const discovery::DeviceEntry& device,
                                  const std::vector<std::uint8_t>& bytes,
                                  const std::filesystem::path& file, const Retries& retries,
                                  Events& events);

}  // namespace quelvar::ops
