#include "app/site_audit.h"

#include "app/site_texts.h"
#include "ops/facts.h"
#include "platform/utf8.h"
#include "site/audit_facts.h"
#include "site/handover_audit.h"

namespace quelvar::app {

CellLook RecordCellLook(std::string_view sign) {
    using site::AuditCell;
    for (AuditCell cell : {AuditCell::Differs, AuditCell::Missing, AuditCell::Beyond}) {
        if (sign == site::AuditSign(cell)) return CellLook::Differs;
    }
    if (sign == site::AuditSign(AuditCell::Unread)) return CellLook::Unread;
    if (sign == site::AuditSign(AuditCell::Pattern)) return CellLook::Pattern;
    return CellLook::Plain;
}

std::vector<std::string_view> RecordSigns() {
    using site::AuditCell;
    std::vector<std::string_view> signs;
    for (AuditCell cell : {AuditCell::Same, AuditCell::Pattern, AuditCell::Differs, AuditCell::Missing,
                           AuditCell::Beyond, AuditCell::Unread}) {
        signs.push_back(site::AuditSign(cell));
    }
    return signs;
}

std::vector<std::string> AuditColumns::titles() const {
    std::vector<std::string> shown;
    for (std::uint8_t number : records) shown.push_back(std::to_string(number));
    for (std::uint8_t number : beyond) shown.push_back("+" + std::to_string(number));
    return shown;
}

AuditColumns ColumnsOf(const std::vector<records::Record>& reference) {
    AuditColumns columns;
    for (const records::Record& record : reference) columns.records.push_back(record.number);
    return columns;
}

SiteLine AuditLine(SiteLine line, const site::AuditedModule& module, const AuditColumns& columns,
                   platform::Language language) {
    using site::AuditResult;
    if (!module.source.address.empty()) line.before = line.after = module.source.address;
    line.result = std::string(site::AuditResultWord(module.result, language));
    line.reason = ops::WordsOf(site::AuditVerdict(module), language);
    line.look = module.result == AuditResult::Same ? LineLook::Passed : LineLook::Failed;
    if (module.source.records) line.progress = 100;
    line.records.clear();
    for (std::uint8_t number : columns.records) {
        line.records.emplace_back(site::AuditSign(site::CellOf(module, number, false)));
    }
    for (std::uint8_t number : columns.beyond) {
        line.records.emplace_back(site::AuditSign(site::CellOf(module, number, true)));
    }
    return line;
}

std::string AuditPaneText(const std::vector<site::AuditPattern>& patterns,
                          const site::AuditedModule* selected, platform::Language language) {
    std::string text = SiteSay(SiteMessage::AuditLegend, language) + "\n";
    for (const site::AuditPattern& pattern : patterns) {
        text += ops::WordsOf(site::AuditPatternFact(pattern), language) + "\n";
    }
    if (selected == nullptr) return text + SiteSay(SiteMessage::AuditSelect, language) + "\n";
    text += ops::WordsOf(site::AuditedModuleName(selected->source), language) + ": " +
            ops::WordsOf(site::AuditVerdict(*selected), language) + "\n";
    for (const ops::Fact& own : site::AuditOwnDifferences(*selected)) {
        text += "  " + ops::WordsOf(own, language) + "\n";
    }
    return text;
}

std::filesystem::path DefaultAuditReportFor(const std::filesystem::path& reference) {
    std::filesystem::path report = reference;
    report.replace_filename(platform::pathFromUtf8(platform::utf8Of(reference.stem()) + "-audit.json"));
    return report;
}

}  // namespace quelvar::app
