#include "app/site_handover.h"

#include <algorithm>

#include "platform/utf8.h"
#include "platform/wall_clock.h"
#include "site/handover.h"
#include "site/handover_page.h"
#include "site/handover_sheet.h"
#include "site/running_file.h"
#include "version.h"

namespace quelvar::app {

std::optional<HandoverFiles> WriteHandoverBeside(const std::filesystem::path& runFile,
                                                 platform::Language language, std::string& why) {
    site::Handover handover;
    ops::Reason unread;
    if (!site::ReadHandoverFile(handover, platform::utf8Of(runFile),
                                platform::utf8Of(runFile.filename()), unread)) {
        why = ops::WordsOf(unread, language);
        return std::nullopt;
    }
    HandoverFiles files{runFile, runFile};
    files.page.replace_extension(".html");
    files.sheet.replace_extension(".csv");
    const site::PageFacts facts{kVersion, platform::WallNow(), language};
    if (!site::ReplaceFileText(files.page, site::HandoverPage(handover, facts))) {
        why = ops::WordsOf(ops::Fact{ops::FactKind::FileNotWrittenNamed, {platform::utf8Of(files.page)}},
                           language);
        return std::nullopt;
    }
    if (!site::ReplaceFileText(files.sheet, site::HandoverSheet(handover, language))) {
        why = ops::WordsOf(ops::Fact{ops::FactKind::FileNotWrittenNamed, {platform::utf8Of(files.sheet)}},
                           language);
        return std::nullopt;
    }
    return files;
}

std::string FileUrl(const std::filesystem::path& path) {
    std::string text = platform::utf8Of(path);
#ifdef _WIN32
    std::replace(text.begin(), text.end(), '\\', '/');
#endif
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    if (text.empty() || text.front() != '/') url += '/';  // "C:/..." on Windows
    for (unsigned char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/' || c == ':';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    return url;
}

}  // namespace quelvar::app
