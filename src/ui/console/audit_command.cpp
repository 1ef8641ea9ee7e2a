// audit: every module (or those named, of a sheet, or of a backup folder)
// compared with a reference file; everything that can be refused is checked
// before anything is sent, then the modules are read as a backup reads them
// (site::ReadModulesForAudit) and compared (site::AuditModules).
#include <ostream>

#include "platform/utf8.h"
#include "records/sha256.h"
#include "site/audit_facts.h"
#include "site/audit_reading.h"
#include "site/audit_report.h"
#include "site/running_file.h"
#include "site/user_file.h"
#include "ui/console/commands.h"
#include "ui/console/console_run.h"
#include "ui/console/interrupt.h"

namespace quelvar::ui::console {

namespace {

using K = ops::FactKind;

// The patterns, then each module worst first with its own differences (what
// the patterns show is not repeated), then the counts.
void printAudit(std::ostream& out, platform::Language language, const site::Audit& audit) {
    auto say = [&](const ops::Reason& reason) { out << ops::WordsOf(reason, language) << '\n'; };
    for (const site::AuditPattern& pattern : audit.patterns) say({site::AuditPatternFact(pattern)});
    for (const site::AuditedModule& module : audit.modules) {
        out << ops::WordsOf(site::AuditedModuleName(module.source), language) << ": "
            << ops::WordsOf(site::AuditVerdict(module), language) << '\n';
        for (const ops::Fact& own : site::AuditOwnDifferences(module)) {
            out << "  ";
            say({own});
        }
    }
    say({site::AuditSummaryFact(audit.counts)});
}

// Everything that can refuse the audit, before anything is sent: the
// reference, each --ignore against it, the sheet, the report's place.
struct Prepared {
    site::RecordFile reference;
    std::vector<DeviceSelector> named;
    ops::Reason problem;
    bool usage = true;  // the problem is the command line's
};

Prepared prepare(const Options& options) {
    Prepared prepared;
    std::optional<site::RecordFile> reference = site::ReadRecordFile(options.file, prepared.problem);
    if (!reference) return prepared;
    prepared.reference = std::move(*reference);
    for (const site::IgnoredBytes& ignored : options.ignored) {
        if (std::optional<ops::Fact> why =
                site::IgnoreProblem(ignored, prepared.reference.contents.records)) {
            prepared.problem = {*why};
            return prepared;
        }
    }
    prepared.named = options.devices;
    if (options.sheet) {
        std::optional<std::vector<DeviceSelector>> rows =
            site::ModulesOfSheet(*options.sheet, prepared.problem);
        if (!rows) return prepared;
        prepared.named = std::move(*rows);
    }
    if (options.report) {
        const std::filesystem::path report = platform::pathFromUtf8(*options.report);
        if (const std::string why = site::WhyCannotCreate(report); !why.empty()) {
            prepared.problem = {{K::ReportNotCreatable, {*options.report, why}}};
            prepared.usage = false;
        }
    }
    return prepared;
}

}  // namespace

// Like diff: 0 every module the same, 1 any not (or not read, or not
// found), 2 when there is nothing to compare with.
int RunAuditCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    Prepared prepared = prepare(options);
    if (!prepared.problem.empty()) {
        Tell(console, prepared.problem);
        return prepared.usage ? kExitUsage : kExitFailure;
    }
    std::vector<site::AuditedSource> sources;
    bool interrupted = false;
    if (options.from) {
        ops::Reason why;
        std::optional<std::vector<site::AuditedSource>> backup =
            site::ReadBackupForAudit(*options.from, why);
        if (!backup) {
            Tell(console, why);
            return kExitUsage;
        }
        sources = std::move(*backup);
    } else {
        std::optional<std::filesystem::path> logFolder;
        if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
        InterruptHandler interrupt;
        ConsoleRun run(console, events);
        sources = site::ReadModulesForAudit(prepared.named, run.options(logFolder), run);
        interrupted = run.interrupted();
    }
    if (sources.empty()) {
        // The search has said why.
        Tell(console, {{K::NoModuleToAudit, {}}});
        return kExitFailure;
    }
    const site::Audit audit = site::AuditModules(prepared.reference.contents.records,
                                                 std::move(sources), options.ignored);
    site::AuditHeading heading{options.file, records::Sha256Hex(prepared.reference.bytes),
                               options.from.value_or(""), options.ignored, {}};
    for (const records::Record& record : prepared.reference.contents.records) {
        heading.records.push_back(record.number);
    }
    if (options.json) {
        console.out << site::AuditReportText(heading, audit, -1);
    } else {
        printAudit(console.out, console.language, audit);
    }
    console.out.flush();
    int status = audit.allSame() ? kExitSuccess : kExitFailure;
    if (options.report &&
        !site::ReplaceFileText(platform::pathFromUtf8(*options.report),
                               site::AuditReportText(heading, audit))) {
        Tell(console, {{K::ReportNotWritten, {*options.report}}});
        status = kExitFailure;
    }
    return interrupted ? kExitInterrupted : status;
}

}  // namespace quelvar::ui::console
