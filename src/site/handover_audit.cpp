#include "site/handover_audit.h"

#include <algorithm>

#include "platform/hex.h"
#include "site/handover_page.h"
#include "site/handover_sheet.h"
#include "site/handover_words.h"

namespace quelvar::site {

namespace {

using W = HandoverWord;

const char* resultClass(AuditResult result) {
    switch (result) {
        case AuditResult::Same: return "same";
        case AuditResult::Differs: return "differs";
        case AuditResult::RecordsMissing:
        case AuditResult::RecordsBeyond: return "missing";
        case AuditResult::Unreadable:
        case AuditResult::NotFound: return "unread";
    }
    return "unread";
}

// On the page, a range shows its first bytes, as the console's line does; the
// sheet and the report hold every byte. A reference that matches none of
// the site (every byte of every module its own) stays a page a browser
// shows at once: 1,000 modules at all bytes made 7.5 MB and 3.5 s to render.
constexpr std::size_t kBytesOnPage = 16;

std::string bytesText(const std::vector<std::uint8_t>& bytes,
                      std::size_t shown = static_cast<std::size_t>(-1)) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < shown; ++i) {
        text += (text.empty() ? "" : " ") + platform::HexByte(bytes[i]);
    }
    if (bytes.size() > shown) text += " \xE2\x80\xA6";
    return text.empty() ? "--" : text;
}

bool has(const std::vector<std::uint8_t>& numbers, std::uint8_t number) {
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

// A cell's class on the page, for its colour.
const char* cellClass(AuditCell cell) {
    switch (cell) {
        case AuditCell::Blank: return "";
        case AuditCell::Same: return "same";
        case AuditCell::Pattern: return "pattern";
        case AuditCell::Differs: return "differs";
        case AuditCell::Missing: return "missing";
        case AuditCell::Beyond: return "beyond";
        case AuditCell::Unread: return "unread";
    }
    return "";
}

class Section {
  public:
    Section(const HandoverAudit& audit, platform::Language language)
        : audit_(audit), language_(language) {}

    std::string render() {
        const AuditHeading& heading = audit_.read.heading;
        out_ += "<section class=\"audit\" id=\"audit-" + std::to_string(audit_.source + 1) +
                "\">\n<h2>" + word(W::AuditOf) + " <span class=\"mono\">" +
                HtmlText(heading.reference) + "</span></h2>\n<p class=\"meta\">SHA-256 <span "
                "class=\"mono\">" + HtmlText(heading.referenceSha256) + "</span>";
        if (!heading.backup.empty()) {
            out_ += "; " + word(W::BackupManifest) + " <span class=\"mono\">" +
                    HtmlText(heading.backup) + "</span>";
        }
        if (!heading.ignored.empty()) {
            out_ += "; " + word(W::Ignored) + ":";
            for (const IgnoredBytes& ignored : heading.ignored) {
                out_ += " <span class=\"mono\">" + HtmlText(IgnoreText(ignored)) + "</span>";
            }
        }
        out_ += "</p>\n";
        counts();
        patterns();
        matrix();
        differences();
        out_ += "</section>\n";
        return std::move(out_);
    }

  private:
    std::string word(W which) const { return std::string(WordOf(which, language_)); }

    // A table's name for a screen reader: a page may hold several audits.
    std::string tableLabel(W which) const {
        return word(which) + " \xE2\x80\x93 " + audit_.read.heading.reference;
    }

    void counts() {
        const AuditCounts& c = audit_.read.audit.counts;
        out_ += "<div class=\"counts\"><div class=\"count\"><b>" + std::to_string(c.modules) +
                "</b>" + word(W::Modules) + "</div>";
        const std::pair<AuditResult, std::size_t> shown[] = {
            {AuditResult::Same, c.same},         {AuditResult::Differs, c.differs},
            {AuditResult::RecordsMissing, c.missing}, {AuditResult::RecordsBeyond, c.beyond},
            {AuditResult::Unreadable, c.unreadable},  {AuditResult::NotFound, c.notFound}};
        for (const auto& [result, n] : shown) {
            out_ += "<div class=\"count a-" + std::string(resultClass(result)) + "\"><b>" +
                    std::to_string(n) + "</b>" + std::string(AuditResultWord(result, language_)) +
                    "</div>";
        }
        out_ += "</div>\n";
    }

    void patterns() {
        const std::vector<AuditPattern>& list = audit_.read.audit.patterns;
        if (list.empty()) return;
        out_ += "<h3>" + word(W::Patterns) + "</h3>\n<p class=\"meta\">" + word(W::PatternNote) +
                "</p>\n" + ScrollingTableStart(tableLabel(W::Patterns), "patterns") + "<thead><tr>" +
                ColumnHeader(word(W::Record)) + ColumnHeader(word(W::Bytes)) +
                ColumnHeader(word(W::Modules)) + ColumnHeader("--ignore") +
                "</tr></thead>\n<tbody>\n";
        for (const AuditPattern& pattern : list) {
            out_ += "<tr><td class=\"num\">" + std::to_string(pattern.record) +
                    "</td><td class=\"mono\">" + SpanText(pattern.offset, pattern.length) +
                    "</td><td class=\"num\">" + std::to_string(pattern.modules) + " / " +
                    std::to_string(pattern.of) + "</td><td class=\"mono\">" +
                    IgnoreText(pattern.ignore()) + "</td></tr>\n";
        }
        out_ += "</tbody>\n</table></div>\n";
    }

    void matrix() {
        const Audit& audit = audit_.read.audit;
        const std::vector<std::uint8_t> beyond = RecordsBeyond(audit.modules);
        out_ += "<h3>" + word(W::ModuleList) + "</h3>\n<p class=\"meta legend\">" +
                word(W::Legend) + "</p>\n" + ScrollingTableStart(tableLabel(W::ModuleList), "matrix") +
                "<thead><tr>" + ColumnHeader(word(W::Mac)) + ColumnHeader(word(W::Address)) +
                ColumnHeader(word(W::Result));
        // A record's column is headed by its number alone; a screen reader
        // says which record it is.
        auto recordHeader = [&](const std::string& shown) {
            out_ += "<th scope=\"col\" class=\"rec\" aria-label=\"" + word(W::Record) + " " +
                    shown + "\">" + shown + "</th>";
        };
        for (std::uint8_t number : audit_.read.heading.records) recordHeader(std::to_string(number));
        for (std::uint8_t number : beyond) recordHeader("+" + std::to_string(number));
        out_ += "</tr></thead>\n<tbody>\n";
        for (const AuditedModule& module : audit.modules) {
            out_ += "<tr class=\"a-" + std::string(resultClass(module.result)) +
                    "\"><td class=\"mono\">" + HtmlText(module.source.mac) +
                    "</td><td class=\"mono\">" + HtmlText(module.source.address) +
                    "</td><td class=\"result\">" +
                    std::string(AuditResultWord(module.result, language_));
            if (!module.source.reason.empty() && module.result != AuditResult::NotFound) {
                out_ += ": " + HtmlText(ops::WordsOf(module.source.reason, language_));
            }
            out_ += "</td>";
            auto cell = [&](std::uint8_t number, bool beyondColumn) {
                const AuditCell shown = CellOf(module, number, beyondColumn);
                out_ += "<td class=\"cell " + std::string(cellClass(shown)) + "\">" +
                        std::string(AuditSign(shown)) + "</td>";
            };
            for (std::uint8_t number : audit_.read.heading.records) cell(number, false);
            for (std::uint8_t number : beyond) cell(number, true);
            out_ += "</tr>\n";
        }
        out_ += "</tbody>\n</table></div>\n";
    }

    // A row per module, a line per range: one row per range made the table
    // of a site that matches none of the reference eight thousand rows long.
    void differences() {
        std::string rows;
        for (const AuditedModule& module : audit_.read.audit.modules) {
            std::string records, spans, left, right;
            for (const AuditRange& range : module.ranges) {
                if (range.inPattern) continue;
                const std::string gap = records.empty() ? "" : "<br>";
                records += gap + std::to_string(range.record);
                spans += gap + SpanText(range.range.offset, range.range.length);
                left += gap + bytesText(range.range.left, kBytesOnPage);
                right += gap + bytesText(range.range.right, kBytesOnPage);
            }
            if (records.empty()) continue;
            rows += "<tr><td class=\"mono\">" + HtmlText(module.source.mac) +
                    "</td><td class=\"num\">" + records + "</td><td class=\"mono\">" + spans +
                    "</td><td class=\"hex\">" + left + "</td><td class=\"hex\">" + right +
                    "</td></tr>\n";
        }
        if (rows.empty()) return;
        out_ += "<h3>" + word(W::Differences) + "</h3>\n" +
                ScrollingTableStart(tableLabel(W::Differences), "bytes") + "<thead><tr>" +
                ColumnHeader(word(W::Mac)) + ColumnHeader(word(W::Record)) +
                ColumnHeader(word(W::Bytes)) + ColumnHeader(word(W::ReferenceBytes)) +
                ColumnHeader(word(W::ModuleBytes)) + "</tr></thead>\n<tbody>\n" + rows +
                "</tbody>\n</table></div>\n";
    }

    const HandoverAudit& audit_;
    platform::Language language_;
    std::string out_;
};

}  // namespace

const char* const kAuditStyle = R"css(
h3{font-size:1rem;margin:1rem 0 .4rem}
table.patterns,table.matrix{width:auto}
.count.a-same{border-color:var(--pass)}.count.a-differs,.count.a-missing{border-color:var(--fail)}.count.a-unread{border-color:var(--stop)}
table.matrix td.cell{text-align:center;font-weight:700;min-width:1.8em;font-family:ui-monospace,Menlo,Consolas,monospace}
td.cell.same{color:var(--pass)}
td.cell.differs{background:#fdecea;color:var(--fail)}
td.cell.pattern{background:#f3f3f3;color:#555}
td.cell.missing,td.cell.beyond{background:#fff1e0;color:var(--stop)}
td.cell.unread{background:#eeeeee;color:var(--idle)}
tr.a-differs .result,tr.a-missing .result{color:var(--fail)}tr.a-unread .result{color:var(--stop)}tr.a-same .result{color:var(--pass)}
td.hex{font-family:ui-monospace,Menlo,Consolas,monospace;white-space:nowrap}
@media print{td.cell{-webkit-print-color-adjust:exact;print-color-adjust:exact}}
)css";

std::string_view AuditResultWord(AuditResult result, platform::Language language) {
    switch (result) {
        case AuditResult::Same: return WordOf(W::AuditSame, language);
        case AuditResult::Differs: return WordOf(W::AuditDiffers, language);
        case AuditResult::RecordsMissing: return WordOf(W::AuditMissing, language);
        case AuditResult::RecordsBeyond: return WordOf(W::AuditBeyond, language);
        case AuditResult::Unreadable: return WordOf(W::AuditUnreadable, language);
        case AuditResult::NotFound: return WordOf(W::AuditNotFound, language);
    }
    return {};
}

std::string AuditSections(const Handover& handover, platform::Language language) {
    std::string html;
    for (const HandoverAudit& audit : handover.audits) {
        html += Section(audit, language).render();
    }
    return html;
}

std::string AuditSheetRows(const Handover& handover, platform::Language language) {
    if (handover.audits.empty()) return {};
    std::string sheet;
    SheetLines lines(sheet);
    auto field = [&lines](std::string_view text) { lines.cell(text); };
    auto endLine = [&lines] { lines.endLine(); };
    for (W which : {W::Run, W::Mac, W::Address, W::Result, W::Record, W::Bytes,
                    W::ReferenceBytes, W::ModuleBytes, W::Reason}) {
        field(WordOf(which, language));
    }
    endLine();
    for (const HandoverAudit& audit : handover.audits) {
        const std::string& run = handover.sources[audit.source].name;
        for (const AuditedModule& module : audit.read.audit.modules) {
            auto line = [&](std::string record, std::string bytes, std::string left,
                            std::string right, std::string reason) {
                for (const std::string& text :
                     {run, module.source.mac, module.source.address,
                      std::string(AuditResultWord(module.result, language)), record, bytes, left,
                      right, reason}) {
                    field(text);
                }
                endLine();
            };
            if (module.result == AuditResult::Same) continue;
            if (!module.source.records && module.ranges.empty() && module.missing.empty() &&
                module.beyond.empty()) {
                line("", "", "", "", ops::WordsOf(module.source.reason, language));
                continue;
            }
            std::vector<std::uint8_t> records;
            for (const AuditRange& range : module.ranges) {
                if (!has(records, range.record)) records.push_back(range.record);
            }
            for (std::uint8_t number : records) {
                std::string bytes, left, right;
                for (const AuditRange& range : module.ranges) {
                    if (range.record != number) continue;
                    const std::string gap = bytes.empty() ? "" : "; ";
                    bytes += gap + SpanText(range.range.offset, range.range.length) +
                             (range.inPattern ? " (" + std::string(WordOf(W::InPattern, language)) + ")" : "");
                    left += gap + bytesText(range.range.left);
                    right += gap + bytesText(range.range.right);
                }
                line(std::to_string(number), bytes, left, right, "");
            }
            for (std::uint8_t number : module.missing) {
                line(std::to_string(number), "", "", "", std::string(WordOf(W::AuditMissing, language)));
            }
            for (std::uint8_t number : module.beyond) {
                line(std::to_string(number), "", "", "", std::string(WordOf(W::AuditBeyond, language)));
            }
        }
    }
    return sheet;
}

}  // namespace quelvar::site
