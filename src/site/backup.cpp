#include "site/backup.h"

#include "ops/read_setup_records.h"
#include "platform/utf8.h"
#include "records/rec_file.h"
#include "records/sha256.h"

namespace quelvar::site {

BackupEntry PlanBackupEntry(const discovery::DeviceEntry& module) {
    BackupEntry entry;
    entry.mac = module.mac;
    entry.address = module.ipText;
    entry.product = std::string(module.productLetters.begin(), module.productLetters.end());
    entry.firmware =
        std::to_string(module.versionMajor) + "." + std::to_string(module.versionMinor);
    entry.file = ops::SafeFileName(discovery::FormatDeviceLine(module) + ".rec");
    return entry;
}

ops::Outcome BackUpModule(const discovery::DeviceEntry& module, const std::filesystem::path& folder,
                          BackupEntry& entry, const ops::Retries& retries, ops::Events& events) {
    ops::ReadResult read = ops::ReadSetupRecords(module, retries, events);
    ops::Outcome saved = read.outcome.succeeded()
                             ? ops::SaveSetupRecordFile(folder / platform::pathFromUtf8(entry.file),
                                                        read.image, events)
                             : read.outcome;
    if (!saved.succeeded()) {
        entry.reason = ops::DescribeOutcome(saved);
        return saved;
    }
    entry.saved = true;
    entry.reason.clear();
    entry.sha256 = records::Sha256Hex(read.image.bytes());
    return saved;
}

std::vector<BackupEntry> MergeManifest(const std::vector<BackupEntry>& entries,
                                       const std::vector<BackupEntry>& earlier) {
    std::vector<BackupEntry> manifest = entries;
    for (const BackupEntry& kept : earlier) {
        bool replaced = false;
        for (const BackupEntry& entry : entries) replaced = replaced || entry.mac == kept.mac;
        if (!replaced) manifest.push_back(kept);
    }
    return manifest;
}

std::string RestoreProblem(const std::filesystem::path& folder, const BackupEntry& entry) {
    if (!entry.saved) return "not in the backup: " + entry.reason;
    const std::string changed = entry.file + " is missing or changed since the backup";
    records::FileSource source;
    if (!source.open(folder / platform::pathFromUtf8(entry.file))) return changed;
    // One byte more than a setup record file can hold tells a larger file.
    std::vector<std::uint8_t> bytes(records::kImageCapacity + 1);
    std::size_t length = 0;
    while (length < bytes.size()) {
        std::size_t got = 0;
        if (!source.read(bytes.data() + length, bytes.size() - length, got)) return changed;
        if (got == 0) break;
        length += got;
    }
    if (length > records::kImageCapacity) return changed;
    bytes.resize(length);
    return records::Sha256Hex(bytes) == entry.sha256 ? std::string() : changed;
}

}  // namespace quelvar::site
