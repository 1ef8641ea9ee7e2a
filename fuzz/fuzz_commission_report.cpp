// A commissioning report given to --resume may be any file: it yields rows
// with a MAC address and a line, or a reason, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "site/commission_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar::site;
    quelvar::ops::Fact error;
    auto report = ParseReport(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!report) {
        if (error.kind == quelvar::ops::FactKind::Text) std::abort();
        return 0;
    }
    CommissionSheet sheet;
    static_cast<void>(ReportMismatch(*report, "site.csv", sheet));
    quelvar::ops::Fact again;
    auto reread = ParseReport(ReportText(report->sheet, report->rows), again);
    if (!reread || reread->rows.size() != report->rows.size()) std::abort();
    return 0;
}
