#include "site/handover_sheet.h"

#include <cstdio>

#include "site/handover_audit.h"
#include "site/handover_words.h"

namespace quelvar::site {

std::string SheetCell(std::string_view text) {
    std::string cell;
    if (!text.empty() && (text.front() == '=' || text.front() == '+' || text.front() == '-' ||
                          text.front() == '@' || text.front() == '\t' || text.front() == '\r')) {
        cell += '\'';
    }
    bool quoted = false;
    for (char c : text) {
        if (c == ',' || c == '"' || c == '\n' || c == '\r') quoted = true;
        if (c == '"') cell += '"';
        // A NUL, which a JSON string may hold escaped, ends a cell in some programs.
        cell += c == '\0' ? ' ' : c;
    }
    return quoted ? '"' + cell + '"' : cell;
}

std::string HandoverSheet(const Handover& handover, platform::Language language) {
    using W = HandoverWord;
    std::string sheet = "\xEF\xBB\xBF";
    // Audits alone: their rows only; beside runs, after an empty line.
    if (handover.rows.empty() && !handover.audits.empty()) {
        return sheet + AuditSheetRows(handover, language);
    }
    SheetLines lines(sheet);
    auto field = [&lines](std::string_view text) { lines.cell(text); };
    auto endLine = [&lines] { lines.endLine(); };
    for (W which : {W::Run, W::Result, W::Mac, W::Product, W::Firmware, W::Before, W::After,
                    W::File, W::Sha256, W::Reason, W::Start, W::End, W::Duration}) {
        field(WordOf(which, language));
    }
    endLine();
    for (const HandoverRow* row : RowsFailedFirst(handover)) {
        field(handover.sources[row->source].name);
        field(StateName(row->result.state, language));
        const RowResult& result = row->result;
        for (const std::string* text : {&row->mac, &result.product, &result.firmware,
                                        &result.before, &result.after, &row->file, &result.sha256}) {
            field(*text);
        }
        field(result.words(language));
        field(result.started ? platform::UtcStamp(*result.started) : std::string());
        field(result.started ? platform::UtcStamp(*result.ended()) : std::string());
        char seconds[32] = "";
        if (result.started) std::snprintf(seconds, sizeof seconds, "%.1f", result.seconds);
        field(seconds);
        endLine();
    }
    if (!handover.audits.empty()) sheet += "\r\n" + AuditSheetRows(handover, language);
    return sheet;
}

void SheetLines::cell(std::string_view text) {
    if (!first_) sheet_ += ',';
    first_ = false;
    sheet_ += SheetCell(text);
}

void SheetLines::endLine() {
    sheet_ += "\r\n";
    first_ = true;
}

}  // namespace quelvar::site
