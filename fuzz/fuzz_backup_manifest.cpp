// A backup's manifest is whatever file lies in the folder a user names:
// every entry it yields must name a module and, when saved, a plain file
// inside that folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "site/backup_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar::site;
    quelvar::ops::Fact error;
    auto entries = ParseManifest(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!entries) {
        if (error.kind == quelvar::ops::FactKind::Text) std::abort();
        return 0;
    }
    for (const BackupEntry& entry : *entries) {
        if (entry.saved && (!IsPlainFileName(entry.file) || entry.sha256.size() != 64)) std::abort();
    }
    // What is read can be written again and reads the same.
    quelvar::ops::Fact again;
    auto reread = ParseManifest(ManifestText(*entries), again);
    if (!reread || reread->size() != entries->size()) std::abort();
    return 0;
}
