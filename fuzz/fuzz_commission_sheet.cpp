// A commissioning sheet is whatever file the user names: every row it yields
// must be fully checked, and every error must name a line of the sheet.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "site/commission_checks.h"
#include "site/commission_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar::site;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CommissionSheet sheet = ParseCommissionSheet(text);
    int lines = 1;
    for (char c : text) lines += c == '\n';
    for (const SheetRow& row : sheet.rows) {
        if (row.line < 1 || row.line > lines) std::abort();
        if (!quelvar::discovery::IsModuleAddress(row.address)) std::abort();
        for (char c : row.file) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
        }
    }
    for (const quelvar::ops::Fact& fact : sheet.errors) {
        const std::string error = quelvar::ops::WordsOf(fact, quelvar::platform::Language::English);
        if (!error.starts_with("line ")) std::abort();
        if (quelvar::ops::WordsOf(fact, quelvar::platform::Language::Japanese).size() > 200) {
            std::abort();
        }
        // Messages quote at most a shortened field: never the whole of a huge one.
        if (error.size() > 200) std::abort();
        for (char c : error) {
            if (static_cast<unsigned char>(c) < 0x20) std::abort();
        }
    }
    static_cast<void>(ReadCommissionSheet(text));
    return 0;
}
