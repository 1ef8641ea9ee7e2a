#pragma once

#include <filesystem>
#include <string>

#include "discovery/device_table.h"
#include "ops/events.h"
#include "ops/retries.h"
#include "records/rec_file.h"

namespace quelvar::ops {

struct ReadResult {
    Outcome outcome;
    records::FileImage image;  // the file to save, on success
};

// Reads a module's setup records through its monitor mode into the image of a
// setup record file: the check that it answers, the monitor-mode entry, the
// records 0 and 2 to 8. Ends before anything is saved, at Stage::Saving.
ReadResult ReadSetupRecords(const discovery::DeviceEntry& device, const Retries& retries,
                            Events& events);

// Saves a download as the file at `path`, replacing one that is there
// without ever leaving it half written: "success." and Stage::Saved, or the
// failure told and Stage::Ended.
Outcome SaveSetupRecordFile(const std::filesystem::path& path, const records::FileImage& image,
                            Events& events);

// A name with every path separator and control character replaced by '_',
// so that a module's reply can never steer where a file goes.
std::string SafeFileName(const std::string& name);

}  // namespace quelvar::ops
