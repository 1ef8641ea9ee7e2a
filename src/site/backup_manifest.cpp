#include "site/backup_manifest.h"

#include <algorithm>
#include <map>

#include "platform/hex.h"
#include "site/json_fields.h"
#include "site/reason_json.h"

namespace quelvar::site {

namespace {

constexpr int kVersion = 2;
// Times in each module's entry, in the order the modules were found.
constexpr int kVersionTimesInEntries = 1;

bool isSha256(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (platform::hexDigit(c) < 0) return false;
    }
    return true;
}

void readTimes(const nlohmann::json& object, BackupEntry& entry) {
    entry.started = TimeField(object, "start");
    entry.seconds = entry.started ? SecondsField(object, "seconds") : 0;
}

// The times of a manifest's "times" list, each given to the first entry of
// its MAC address.
void addTimes(const nlohmann::json& manifest, std::vector<BackupEntry>& entries) {
    const auto list = manifest.find("times");
    if (list == manifest.end() || !list->is_array()) return;
    std::map<discovery::MacAddress, BackupEntry*> byMac;
    for (BackupEntry& entry : entries) byMac.emplace(entry.mac, &entry);
    for (const nlohmann::json& times : *list) {
        const std::optional<discovery::MacAddress> mac =
            discovery::ParseMac(StringField(times, "mac"));
        const auto entry = mac ? byMac.find(*mac) : byMac.end();
        if (entry != byMac.end() && !entry->second->started) readTimes(times, *entry->second);
    }
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return false;
    }
    return true;
}

std::string ManifestText(const std::vector<BackupEntry>& entries) {
    std::vector<const BackupEntry*> ordered;
    for (const BackupEntry& entry : entries) ordered.push_back(&entry);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const BackupEntry* a, const BackupEntry* b) { return a->mac < b->mac; });
    nlohmann::ordered_json modules = nlohmann::ordered_json::array();
    nlohmann::ordered_json times = nlohmann::ordered_json::array();
    for (const BackupEntry* entry : ordered) {
        nlohmann::ordered_json module = {
            {"mac", discovery::FormatMac(entry->mac)},
            {"address", entry->address},
            {"product", entry->product},
            {"firmware", entry->firmware},
            {"file", entry->file},
            {"sha256", entry->sha256},
            {"result", entry->saved ? "saved" : "failed"},
        };
        PutReason(module, entry->reason);
        modules.push_back(std::move(module));
        if (entry->started) {
            times.push_back({
                {"mac", discovery::FormatMac(entry->mac)},
                {"start", platform::UtcStamp(*entry->started)},
                {"end",
                 platform::UtcStamp(platform::SecondsAfter(*entry->started, entry->seconds))},
                {"seconds", TenthsOf(entry->seconds)},
            });
        }
    }
    nlohmann::ordered_json manifest = {{"format", kManifestFormat},
                                       {"version", kVersion},
                                       {"modules", std::move(modules)},
                                       {"times", std::move(times)}};
    // Bytes that are no UTF-8 (in an entry kept from an older manifest) are
    // replaced, never a failure.
    return manifest.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<std::vector<BackupEntry>> ParseManifest(std::string_view text, ops::Fact& error) {
    nlohmann::json manifest = nlohmann::json::parse(text, nullptr, false);
    if (manifest.is_discarded() || !manifest.is_object()) {
        error = {ops::FactKind::NotJson, {}};
        return std::nullopt;
    }
    const bool timesInEntries = HasFormat(manifest, kManifestFormat, kVersionTimesInEntries);
    if (!timesInEntries && !HasFormat(manifest, kManifestFormat, kVersion)) {
        error = {ops::FactKind::NotAManifest, {}};
        return std::nullopt;
    }
    const nlohmann::json& modules = manifest["modules"];
    if (!modules.is_array()) {
        error = {ops::FactKind::ManifestNoList, {}};
        return std::nullopt;
    }
    std::vector<BackupEntry> entries;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        const nlohmann::json& module = modules[i];
        const std::string entryNumber = std::to_string(i + 1);
        auto field = [&](const char* key) { return StringField(module, key); };
        BackupEntry entry;
        std::optional<discovery::MacAddress> mac = discovery::ParseMac(field("mac"));
        if (!mac) {
            error = {ops::FactKind::ManifestEntryNoMac, {entryNumber}};
            return std::nullopt;
        }
        entry.mac = *mac;
        entry.address = field("address");
        entry.product = field("product");
        entry.firmware = field("firmware");
        entry.file = field("file");
        entry.sha256 = field("sha256");
        entry.reason = ReasonField(module);
        entry.saved = field("result") == "saved";
        if (timesInEntries) readTimes(module, entry);
        if (entry.saved && !IsPlainFileName(entry.file)) {
            error = {ops::FactKind::ManifestEntryNoFile, {entryNumber}};
            return std::nullopt;
        }
        if (entry.saved && !isSha256(entry.sha256)) {
            error = {ops::FactKind::ManifestEntryNoHash, {entryNumber}};
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    if (!timesInEntries) addTimes(manifest, entries);
    return entries;
}

}  // namespace quelvar::site
