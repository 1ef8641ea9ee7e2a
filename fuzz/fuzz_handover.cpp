// A file given to `report` may be anything anyone wrote: it becomes rows of
// the handover or a reason, never a crash; and no text of it ever becomes
// markup on the page or a formula in the sheet.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "site/handover.h"
#include "site/handover_page.h"
#include "site/handover_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar;
    site::Handover handover;
    quelvar::ops::Fact error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!site::AddHandoverFile(handover, "fuzz.json", text, error)) {
        if (error.kind == quelvar::ops::FactKind::Text || !handover.rows.empty()) std::abort();
        return 0;
    }
    const std::string page =
        site::HandoverPage(handover, {"1.0", {}, platform::Language::Japanese});
    // The page has no script of its own: one there came from the file.
    if (page.find("<script") != std::string::npos) std::abort();
    static_cast<void>(site::HandoverSheet(handover, platform::Language::English));
    for (const site::HandoverRow& row : handover.rows) {
        const site::RowResult& result = row.result;
        const std::string reason = result.words(platform::Language::Japanese);
        for (const std::string* field :
             {&row.mac, &result.product, &result.firmware, &result.before, &result.after, &row.file,
              &result.sha256, &reason}) {
            const std::string cell = site::SheetCell(*field);
            const char first = cell.size() > 1 && cell[0] == '"' ? cell[1]
                               : cell.empty()                    ? '\0'
                                                                 : cell[0];
            if (first == '=' || first == '+' || first == '-' || first == '@') std::abort();
        }
    }
    return 0;
}
