#include "site/backup.h"

#include <optional>
#include <utility>

#include "ops/read_setup_records.h"
#include "platform/utf8.h"
#include "records/rec_file.h"
#include "records/sha256.h"

namespace quelvar::site {

BackupEntry PlanBackupEntry(const discovery::DeviceEntry& module) {
    BackupEntry entry;
    entry.mac = module.mac;
    entry.address = module.ipText;
    entry.product = discovery::ProductText(module);
    entry.firmware = discovery::FirmwareText(module);
    entry.file = ops::SafeFileName(discovery::FormatLastingLine(module) + ".rec");
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
        entry.reason = {ops::FactOf(saved)};
        return saved;
    }
    entry.saved = true;
    entry.reason.clear();
    entry.sha256 = records::Sha256Hex(read.image.bytes());
    return saved;
}

namespace {

const BackupEntry* entryWithMac(const std::vector<BackupEntry>& entries,
                                const discovery::MacAddress& mac) {
    for (const BackupEntry& entry : entries) {
        if (entry.mac == mac) return &entry;
    }
    return nullptr;
}

}  // namespace

std::vector<BackupEntry> MergeManifest(const std::vector<BackupEntry>& entries,
                                       const std::vector<BackupEntry>& earlier) {
    std::vector<BackupEntry> manifest;
    manifest.reserve(entries.size() + earlier.size());
    for (const BackupEntry& entry : entries) {
        const BackupEntry* kept = entryWithMac(earlier, entry.mac);
        if (entry.saved || kept == nullptr || !kept->saved) {
            manifest.push_back(entry);
            continue;
        }
        // Saving failed before the file was replaced: the earlier one still restores.
        manifest.push_back(*kept);
        manifest.back().reason = {{ops::FactKind::NotSavedAgain, {}}};
        manifest.back().reason.insert(manifest.back().reason.end(), entry.reason.begin(),
                                      entry.reason.end());
    }
    for (const BackupEntry& kept : earlier) {
        if (entryWithMac(entries, kept.mac) == nullptr) manifest.push_back(kept);
    }
    return manifest;
}

std::vector<std::string> ReplacedFiles(const std::vector<BackupEntry>& manifest,
                                       const std::vector<BackupEntry>& earlier) {
    auto named = [&manifest](const std::string& file) {
        for (const BackupEntry& entry : manifest) {
            if (entry.file == file) return true;
        }
        return false;
    };
    std::vector<std::string> replaced;
    for (const BackupEntry& before : earlier) {
        if (!before.saved || before.file.empty() || named(before.file)) continue;
        const BackupEntry* now = entryWithMac(manifest, before.mac);
        if (now != nullptr && now->saved) replaced.push_back(before.file);
    }
    return replaced;
}

RestoreFile CheckRestoreFile(const std::filesystem::path& folder, const BackupEntry& entry) {
    RestoreFile checked;
    if (!entry.saved) {
        checked.problem = {{ops::FactKind::NotInBackup, {}}};
        checked.problem.insert(checked.problem.end(), entry.reason.begin(), entry.reason.end());
        return checked;
    }
    // One byte more than a setup record file can hold tells a larger file.
    std::optional<std::vector<std::uint8_t>> bytes = records::ReadFileStart(
        folder / platform::pathFromUtf8(entry.file), records::kImageCapacity + 1);
    if (bytes && bytes->size() <= records::kImageCapacity &&
        records::Sha256Hex(*bytes) == entry.sha256) {
        checked.bytes = std::move(*bytes);
    } else {
        checked.problem = {{ops::FactKind::FileChanged, {entry.file}}};
    }
    return checked;
}

}  // namespace quelvar::site
