#include "site/handover_page.h"

#include <algorithm>
#include <cstdio>

#include "site/handover_audit.h"
#include "site/handover_words.h"

namespace quelvar::site {

namespace {

using W = HandoverWord;

// The text as HTML character data or attribute value: the five characters
// that mean something there become references, and control characters
// (which a JSON string may hold, escaped) a replacement character.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    out += "\xEF\xBF\xBD";
                } else {
                    out += c;
                }
        }
    }
    return out;
}

std::string number(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

const char* stateClass(RowState state) {
    switch (state) {
        case RowState::Passed:
            return "pass";
        case RowState::Failed:
            return "fail";
        case RowState::Stopped:
            return "stop";
        case RowState::NotStarted:
            return "idle";
    }
    return "idle";
}

constexpr RowState kStatesShown[] = {RowState::Failed, RowState::Stopped, RowState::NotStarted,
                                     RowState::Passed};

std::size_t countOf(const HandoverCounts& counts, RowState state) {
    switch (state) {
        case RowState::Passed:
            return counts.passed;
        case RowState::Failed:
            return counts.failed;
        case RowState::Stopped:
            return counts.stopped;
        case RowState::NotStarted:
            return counts.notStarted;
    }
    return 0;
}

constexpr const char* kStyle = R"css(
/* Each colour holds text at a contrast of 4.5:1 or more on its row's background. */
:root{--pass:#2e7d32;--fail:#c62828;--stop:#b34700;--idle:#5f5f5f;--line:#d6d6d6}
*{box-sizing:border-box}
body{font-family:system-ui,-apple-system,"Segoe UI","Noto Sans CJK JP","Hiragino Sans","Yu Gothic",Meiryo,sans-serif;margin:1.5rem;color:#1b1b1b;line-height:1.4}
h1{font-size:1.5rem;margin:0 0 .2rem}
h2{font-size:1.1rem;margin:1.5rem 0 .5rem}
.meta{color:#555;font-size:.85rem;margin:0}
.meta ol{margin:.2rem 0 0;padding-left:1.4rem}
.counts{display:flex;flex-wrap:wrap;gap:.5rem 1.5rem;margin:.5rem 0}
.count{border-left:.4rem solid var(--idle);padding:0 .6rem}
.count b{display:block;font-size:1.6rem;line-height:1.2}
.count.pass{border-color:var(--pass)}.count.fail{border-color:var(--fail)}.count.stop{border-color:var(--stop)}
svg{display:block;max-width:100%;height:auto}
svg text{font:11px ui-monospace,Menlo,Consolas,monospace;fill:#444}
.bar-pass{fill:var(--pass)}.bar-fail{fill:var(--fail)}.bar-stop{fill:var(--stop)}.bar-idle{fill:var(--idle)}
.axis{stroke:#999;stroke-width:1}
.grid{stroke:#e4e4e4;stroke-width:1}
.table{overflow-x:auto}
table{border-collapse:collapse;width:100%;font-size:.8rem}
th,td{border-bottom:1px solid var(--line);padding:.3rem .4rem;text-align:left;vertical-align:top}
thead th{background:#f2f2f2;white-space:nowrap}
td.mono,span.mono{font-family:ui-monospace,Menlo,Consolas,monospace;white-space:nowrap}
td.num{text-align:right;white-space:nowrap}
td.text{overflow-wrap:anywhere;min-width:8em}
tr.fail td{background:#fdecea}tr.stop td{background:#fff1e0}tr.idle td{background:#f5f5f5}
.result{font-weight:600;white-space:nowrap}
tr.fail .result{color:var(--fail)}tr.stop .result{color:var(--stop)}tr.pass .result{color:var(--pass)}
.sha .full{display:none}
figure.run{margin:0 0 1rem}
figcaption{font-weight:600;margin:0 0 .2rem}
@media (max-width:720px){
body{margin:.75rem}
table,tbody,tr,td{display:block;width:100%}
thead{display:none}
tr{border:1px solid var(--line);border-radius:4px;margin:0 0 .6rem}
td{border:0;padding:.1rem .5rem;white-space:normal}
td:empty{display:none}
td::before{font:600 .8rem system-ui,sans-serif;color:#555}
td.num{text-align:left}
}
@media print{
@page{size:A4 landscape;margin:10mm}
body{margin:0;font-size:8pt}
h2{break-after:avoid}
thead{display:table-header-group}
tr,.count,.meta,figure.run{break-inside:avoid}
table{font-size:7pt}
.sha .short{display:none}
.sha .full{display:inline;white-space:normal;word-break:break-all}
td.sha{white-space:normal;min-width:34mm;max-width:34mm;font-size:6pt}
.table{overflow:visible}
figure.run svg{width:auto;max-width:100%;max-height:160mm}
}
)css";

class Page {
  public:
    Page(const Handover& handover, const PageFacts& facts)
        : handover_(handover), facts_(facts), counts_(CountRows(handover)) {}

    std::string render() {
        const bool ja = facts_.language == platform::Language::Japanese;
        out_ += "<!DOCTYPE html>\n<html lang=\"";
        out_ += ja ? "ja" : "en";
        out_ +=
            "\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            // Nothing on this page may be fetched, run or sent anywhere.
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; img-src data:\">\n<title>";
        out_ += word(W::Title) + " - QUELVARinit</title>\n<style>";
        out_ += kStyle;
        if (!handover_.audits.empty()) out_ += kAuditStyle;
        phoneLabels();
        out_ += "</style>\n</head>\n<body>\n<header>\n<h1>" + word(W::Title) + "</h1>\n";
        made();
        out_ += "</header>\n<main>\n";
        // A page of audits alone has no runs to count.
        if (!handover_.rows.empty() || handover_.audits.empty()) {
            summary();
            table();
        }
        out_ += AuditSections(handover_, facts_.language);
        timelines();
        out_ += "</main>\n</body>\n</html>\n";
        return std::move(out_);
    }

  private:
    std::string word(W which) const { return std::string(WordOf(which, facts_.language)); }
    std::string state(RowState which) const {
        return std::string(StateName(which, facts_.language));
    }

    // "2026-12-08 20:40:12" in this machine's local time.
    std::string localTime(platform::WallTime time) const {
        return platform::LocalTimeOf(time).text;
    }

    void made() {
        const platform::LocalStamp now = platform::LocalTimeOf(facts_.made);
        out_ += "<div class=\"meta\"><p class=\"meta\" id=\"made\">" + word(W::Made) +
                " QUELVARinit " + escaped(facts_.version) + ", " + now.text + " (" +
                platform::UtcOffsetText(now.offsetMinutes) + "; " + word(W::LocalTimes) +
                ")</p>\n<p class=\"meta\">" + word(W::From) + "</p>\n<ol id=\"sources\">\n";
        for (const HandoverSource& source : handover_.sources) {
            out_ += "<li><span class=\"mono\">" + escaped(source.name) + "</span>: ";
            if (source.kind == HandoverSource::Kind::Commission) {
                out_ += word(W::CommissionReport) + " (" + word(W::Sheet) + " " +
                        escaped(source.sheet) + ")";
            } else if (source.kind == HandoverSource::Kind::Audit) {
                out_ += word(W::AuditReport) + " (" + escaped(source.sheet) + ")";
            } else if (source.kind == HandoverSource::Kind::Restore) {
                out_ += word(W::RestoreReport) + " (" + escaped(source.sheet) + ")";
            } else {
                out_ += word(W::BackupManifest);
            }
            out_ += "</li>\n";
        }
        out_ += "</ol>\n</div>\n";
    }

    void summary() {
        out_ += "<section id=\"summary\">\n<h2>" + word(W::Summary) + "</h2>\n";
        out_ += "<div class=\"counts\"><div class=\"count\" id=\"count-total\"><b>" +
                std::to_string(counts_.total()) + "</b>" + word(W::Modules) + "</div>";
        for (RowState which : kStatesShown) {
            const std::string cls = stateClass(which);
            out_ += "<div class=\"count " + cls + "\" id=\"count-" + cls + "\"><b>" +
                    std::to_string(countOf(counts_, which)) + "</b>" + state(which) + "</div>";
        }
        out_ += "</div>\n";
        // The same counts as one bar, each state's part as wide as its share.
        if (counts_.total() > 0) {
            constexpr double kWidth = 600;
            std::string said;
            for (RowState which : kStatesShown) {
                if (countOf(counts_, which) == 0) continue;
                said += (said.empty() ? "" : ", ") + state(which) + ": " +
                        std::to_string(countOf(counts_, which));
            }
            out_ += "<svg viewBox=\"0 0 600 18\" width=\"600\" height=\"18\" role=\"img\" "
                    "aria-label=\"" + said + "\">";
            double x = 0;
            for (RowState which : kStatesShown) {
                const std::size_t n = countOf(counts_, which);
                if (n == 0) continue;
                const double width =
                    kWidth * static_cast<double>(n) / static_cast<double>(counts_.total());
                out_ += "<rect class=\"bar-" + std::string(stateClass(which)) + "\" x=\"" +
                        number(x, 2) + "\" y=\"0\" width=\"" + number(width, 2) +
                        "\" height=\"18\"><title>" + state(which) + ": " + std::to_string(n) +
                        "</title></rect>";
                x += width;
            }
            out_ += "</svg>\n";
        }
        out_ += "</section>\n";
    }

    // The table's columns: which file a row came from only when there are several.
    std::vector<W> columns() const {
        std::vector<W> list;
        if (handover_.sources.size() > 1) list.push_back(W::Run);
        for (W which : {W::Result, W::Mac, W::Product, W::Firmware, W::Before, W::After, W::File,
                        W::Sha256, W::Reason, W::Start, W::End, W::Duration}) {
            list.push_back(which);
        }
        return list;
    }

    // On a narrow screen each row is a card whose cells say what they are:
    // the labels stand once in the style, not in every cell.
    void phoneLabels() {
        out_ += "@media (max-width:720px){";
        const std::vector<W> list = columns();
        for (std::size_t i = 0; i < list.size(); ++i) {
            out_ += "td:nth-child(" + std::to_string(i + 1) + ")::before{content:\"" +
                    word(list[i]) + ": \"}";
        }
        out_ += "}\n";
    }

    void table() {
        out_ += "<section id=\"modules\">\n<h2>" + word(W::ModuleList) + "</h2>\n";
        if (handover_.rows.empty()) {
            out_ += "<p>" + word(W::NoRows) + "</p>\n</section>\n";
            return;
        }
        out_ += ScrollingTableStart(word(W::ModuleList)) + "<thead><tr>";
        for (W which : columns()) out_ += ColumnHeader(word(which));
        out_ += "</tr></thead>\n<tbody>\n";
        const bool runs = handover_.sources.size() > 1;
        for (const HandoverRow* row : RowsFailedFirst(handover_)) {
            out_ += "<tr class=\"" + std::string(stateClass(row->result.state)) + "\">";
            auto cell = [&](const char* cls, const std::string& html) {
                out_ += *cls ? "<td class=\"" + std::string(cls) + "\">" : std::string("<td>");
                out_ += html;
                out_ += "</td>";
            };
            const RowResult& result = row->result;
            if (runs) cell("num", std::to_string(row->source + 1));
            cell("result", state(result.state));
            cell("mono", escaped(row->mac));
            cell("", escaped(result.product));
            cell("", escaped(result.firmware));
            cell("mono", escaped(result.before));
            cell("mono", escaped(result.after));
            cell("text", escaped(row->file));
            cell("mono sha", sha(result.sha256));
            cell("text", escaped(result.words(facts_.language)));
            const bool ran = result.started.has_value();
            cell("num", ran ? localTime(*result.started) : std::string());
            cell("num", ran ? endTime(result) : std::string());
            cell("num", ran ? number(result.seconds, 1) + " " + word(W::Seconds) : std::string());
            out_ += "</tr>\n";
        }
        out_ += "</tbody>\n</table></div>\n</section>\n";
    }

    // The end, without its date when that is the start's.
    std::string endTime(const RowResult& row) const {
        const std::string end = localTime(*row.ended());
        const std::string start = localTime(*row.started);
        return end.compare(0, 10, start, 0, 10) == 0 ? end.substr(11) : end;
    }

    // A hash shown short, whole when hovered and when printed.
    static std::string sha(const std::string& hash) {
        if (hash.empty()) return {};
        const std::string whole = escaped(hash);
        if (hash.size() <= 12) return whole;
        return "<span title=\"" + whole + "\"><span class=\"short\">" +
               escaped(hash.substr(0, 12)) + "\xE2\x80\xA6</span><span class=\"full\">" + whole +
               "</span></span>";
    }

    void timelines() {
        bool any = false;
        for (std::size_t s = 0; s < handover_.sources.size(); ++s) {
            std::vector<const HandoverRow*> timed;
            for (const HandoverRow& row : handover_.rows) {
                if (row.source == s && row.result.started) timed.push_back(&row);
            }
            if (timed.empty()) continue;
            if (!any) {
                out_ += "<section id=\"timeline\">\n<h2>" + word(W::Timeline) +
                        "</h2>\n<p class=\"meta\">" + word(W::TimelineNote) + "</p>\n";
                any = true;
            }
            timeline(s, timed);
        }
        if (any) out_ += "</section>\n";
    }

    // One run's rows as bars on one time axis: a module that took long, or
    // never ended, stands out as the long bar.
    void timeline(std::size_t source, const std::vector<const HandoverRow*>& rows) {
        platform::WallTime first = *rows.front()->result.started;
        platform::WallTime last = *rows.front()->result.ended();
        for (const HandoverRow* row : rows) {
            first = std::min(first, *row->result.started);
            last = std::max(last, *row->result.ended());
        }
        const double span = std::max(1.0, std::chrono::duration<double>(last - first).count());
        const bool labelled = rows.size() <= 100;
        const double rowHeight = labelled ? 14 : rows.size() <= 300 ? 5 : 3;
        const double left = labelled ? 130 : 10, plot = 850, top = 4;
        const double height = top + rowHeight * static_cast<double>(rows.size()) + 22;
        const double width = left + plot + 20;
        auto xOf = [&](platform::WallTime time) {
            return left + plot * std::chrono::duration<double>(time - first).count() / span;
        };
        out_ += "<figure class=\"run\">\n<figcaption class=\"meta\">" + std::to_string(source + 1) +
                ". <span class=\"mono\">" + escaped(handover_.sources[source].name) + "</span> (" +
                localTime(first) + ")</figcaption>\n";
        // The chart in words, for whoever cannot see it: its span and its
        // longest bar; every bar's times stand in the table.
        const HandoverRow* longest = rows.front();
        for (const HandoverRow* row : rows) {
            if (row->result.seconds > longest->result.seconds) longest = row;
        }
        const std::string textId = "timeline-" + std::to_string(source + 1) + "-text";
        out_ += "<p class=\"meta\" id=\"" + textId + "\">" + std::to_string(rows.size()) + " " +
                word(W::Modules) + ", " + localTime(first) + " \xE2\x80\x93 " + localTime(last) +
                " (" + number(span, 1) + " " + word(W::Seconds) + "); " + word(W::Longest) +
                ": <span class=\"mono\">" + escaped(longest->mac) + "</span>, " +
                state(longest->result.state) + ", " + number(longest->result.seconds, 1) + " " +
                word(W::Seconds) + ". " + word(W::TimelineInTable) + "</p>\n";
        out_ += "<svg class=\"timeline\" viewBox=\"0 0 " + number(width, 0) + " " +
                number(height, 0) + "\" width=\"" + number(width, 0) + "\" height=\"" +
                number(height, 0) + "\" role=\"img\" aria-labelledby=\"" + textId + "\">\n";
        // Ticks at round numbers of seconds: 1, 2 or 5 times a power of ten apart.
        double stepSeconds = 0.1;
        while (span / stepSeconds > 6) {
            for (double factor : {2.0, 2.5, 2.0}) {
                if (span / stepSeconds <= 6) break;
                stepSeconds *= factor;
            }
        }
        const double axisY = top + rowHeight * static_cast<double>(rows.size()) + 2;
        for (double at = 0; at <= span + 1e-9; at += stepSeconds) {
            const double x = left + plot * at / span;
            out_ += "<line class=\"grid\" x1=\"" + number(x, 1) + "\" y1=\"" + number(top, 0) +
                    "\" x2=\"" + number(x, 1) + "\" y2=\"" + number(axisY, 1) + "\"/>";
            out_ += "<text x=\"" + number(x, 1) + "\" y=\"" + number(axisY + 14, 1) +
                    "\" text-anchor=\"middle\">" + number(at, stepSeconds < 1 ? 1 : 0) + " " +
                    word(W::Seconds) + "</text>\n";
        }
        out_ += "<line class=\"axis\" x1=\"" + number(left, 0) + "\" y1=\"" + number(axisY, 1) +
                "\" x2=\"" + number(left + plot, 0) + "\" y2=\"" + number(axisY, 1) + "\"/>\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const HandoverRow& row = *rows[i];
            const double y = top + rowHeight * static_cast<double>(i);
            const double x = xOf(*row.result.started);
            // Even a row that ended at once shows as a sliver.
            const double w = std::max(1.0, xOf(*row.result.ended()) - x);
            if (labelled) {
                out_ += "<text x=\"" + number(left - 6, 0) + "\" y=\"" +
                        number(y + rowHeight - 3, 1) + "\" text-anchor=\"end\">" +
                        escaped(row.mac) + "</text>";
            }
            out_ += "<rect class=\"bar-" + std::string(stateClass(row.result.state)) + "\" x=\"" +
                    number(x, 1) + "\" y=\"" + number(y + 1, 1) + "\" width=\"" + number(w, 1) +
                    "\" height=\"" + number(rowHeight - 2 > 1 ? rowHeight - 2 : 1, 1) +
                    "\"><title>" + escaped(row.mac) + " " + state(row.result.state) + " " +
                    number(row.result.seconds, 1) + " " + word(W::Seconds) + "</title></rect>\n";
        }
        out_ += "</svg>\n</figure>\n";
    }

    const Handover& handover_;
    const PageFacts& facts_;
    HandoverCounts counts_;
    std::string out_;
};

}  // namespace

std::string HtmlText(std::string_view text) { return escaped(text); }

std::string ScrollingTableStart(std::string_view label, std::string_view tableClass) {
    std::string html = "<div class=\"table\" tabindex=\"0\" role=\"region\" aria-label=\"" +
                       escaped(label) + "\"><table";
    if (!tableClass.empty()) html += " class=\"" + std::string(tableClass) + "\"";
    return html + ">\n";
}

std::string ColumnHeader(std::string_view html, std::string_view cellClass) {
    std::string cell = "<th scope=\"col\"";
    if (!cellClass.empty()) cell += " class=\"" + std::string(cellClass) + "\"";
    return cell + ">" + std::string(html) + "</th>";
}

std::string HandoverPage(const Handover& handover, const PageFacts& facts) {
    return Page(handover, facts).render();
}

}  // namespace quelvar::site
