// report: the record of a site's runs to hand over, made from the reports
// and manifests they left: a page to look at and a sheet for spreadsheets.
#include <filesystem>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/utf8.h"
#include "site/handover_page.h"
#include "site/handover_sheet.h"
#include "site/running_file.h"
#include "ui/console/commands.h"
#include "version.h"

namespace quelvar::ui::console {

int RunReportCommand(Console& console) {
    const Options& options = console.options;
    site::Handover handover;
    for (const std::string& name : options.files) {
        ops::Reason why;
        if (!site::ReadHandoverFile(handover, name, name, why)) {
            why.push_back({ops::FactKind::NothingWrittenOut, {}});
            Tell(console, why);
            return kExitUsage;
        }
    }

    std::vector<std::pair<std::string, std::string>> outputs;
    if (options.html) {
        const site::PageFacts facts{kVersion, platform::WallNow(), console.language};
        outputs.emplace_back(*options.html, site::HandoverPage(handover, facts));
    }
    if (options.csv) {
        outputs.emplace_back(*options.csv, site::HandoverSheet(handover, console.language));
    }
    // Each file appears whole or not at all; one that cannot be written
    // takes back those this run wrote before it.
    std::vector<std::filesystem::path> written;
    for (const auto& [name, text] : outputs) {
        const std::filesystem::path path = platform::pathFromUtf8(name);
        if (!site::ReplaceFileText(path, text)) {
            Tell(console, {{ops::FactKind::FileNotWrittenNamed, {name}},
                           {ops::FactKind::NothingWrittenOut, {}}});
            std::error_code ignored;
            for (const std::filesystem::path& done : written)
                std::filesystem::remove(done, ignored);
            return kExitFailure;
        }
        written.push_back(path);
    }
    const site::HandoverCounts counts = site::CountRows(handover);
    for (const auto& [name, text] : outputs) {
        console.out << "wrote " << name << ": ";
        // An audit alone has no rows of runs to count.
        const char* gap = "";
        if (counts.total() > 0 || handover.audits.empty()) {
            console.out << counts.total() << " modules, " << counts.passed << " passed, "
                        << counts.failed << " failed, " << counts.stopped << " stopped, "
                        << counts.notStarted << " not started";
            gap = "; ";
        }
        for (const site::HandoverAudit& audit : handover.audits) {
            const site::AuditCounts& c = audit.read.audit.counts;
            console.out << gap << "audit of " << audit.read.heading.reference << ": " << c.modules
                        << " modules, " << c.same << " same";
            gap = "; ";
        }
        console.out << '\n';
    }
    return kExitSuccess;
}

}  // namespace quelvar::ui::console
