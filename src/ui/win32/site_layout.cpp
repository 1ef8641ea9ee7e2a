#include "ui/win32/site_layout.h"

#include <algorithm>

namespace quelvar::ui::win32 {

namespace {

// Lengths at 96 DPI, after the usual spacing of Windows dialogs.
constexpr int kMargin = 10;        // window edge to the group boxes
constexpr int kGap = 6;            // between controls on a row and between rows
constexpr int kGroupPadding = 10;  // group box frame to its controls
constexpr int kCheckMark = 20;     // a radio button's or check box's mark and the gap to its text
constexpr int kButtonPadding = 20; // a push button's text to its edges
constexpr int kButtonWidth = 75;   // the narrowest push button
constexpr int kBrowseDotsWidth = 28;
constexpr int kJobsWidth = 48;
constexpr int kSpinWidth = 17;
constexpr int kSourceWidth = 240;  // the narrowest source, range, report and resume fields
constexpr int kRangeWidth = 330;   // the range field shows its whole hint
constexpr int kHintPadding = 12;   // an edit's frame and margins around its hint
constexpr int kTableRows = 4;      // the table never shrinks below this many rows
constexpr int kNoteLines = 4;
constexpr int kAuditLines = 6;     // the audit's pane: the legend, or a module's byte ranges
// Wide enough that the table shows every column, the reason too, beside a
// vertical scroll bar without scrolling sideways in either language (the
// Japanese titles and the MAC in the Japanese font are the wider), and
// narrow enough to fit on a screen 1024 pixels wide.
constexpr int kDefaultWidth = 960;
constexpr int kDefaultTableRows = 12;

class Builder {
  public:
    explicit Builder(const SiteMetrics& metrics) : m_(metrics) {
        controlHeight_ = m_.lineHeight + s(10);
    }

    int s(int length) const { return ::MulDiv(length, static_cast<int>(m_.dpi), 96); }
    int text(SiteId id) const { return m_.textWidth[SiteIndex(id)]; }
    int button(SiteId id) const { return std::max(s(kButtonWidth), text(id) + s(kButtonPadding)); }
    int mark(SiteId id) const { return text(id) + s(kCheckMark); }
    int controlHeight() const { return controlHeight_; }
    // The group box's caption above its first row.
    int groupTop() const { return m_.lineHeight + s(6); }

    void place(SiteId id, int x, int y, int width, int height) {
        layout_.rects[SiteIndex(id)] = RECT{x, y, x + width, y + height};
    }
    // A label on a row of fields: as tall as a line, centred on the row.
    void placeLabel(SiteId id, int x, int rowTop, int width) {
        place(id, x, rowTop + (controlHeight_ - m_.lineHeight) / 2, width, m_.lineHeight);
    }

    // Widths the window cannot go below: each row's captions and narrowest fields.
    int minimumWidth() const {
        const int pads = 2 * s(kMargin) + 2 * s(kGroupPadding);
        const int radios = mark(SiteId::Commission) + mark(SiteId::Backup) +
                           mark(SiteId::Restore) + mark(SiteId::Audit) + 3 * s(2 * kGap + 4);
        const int source = text(SiteId::SourceLabel) + s(kGap) + s(kSourceWidth) + s(kGap) +
                           button(SiteId::Browse);
        const int range = labelColumn() + s(kGap) + s(kRangeWidth);
        const int verifyAndJobs = mark(SiteId::Verify) + s(4 * kGap) + text(SiteId::JobsLabel) +
                                  s(kGap) + jobsWidth() + s(kSpinWidth);
        // The resume field shows the whole of the audit's hint in it.
        const int report = labelColumn() + s(kGap) +
                           std::max(s(kSourceWidth), text(SiteId::Resume) + s(kHintPadding)) +
                           s(kGap) + dotsWidth();
        int buttons = 2 * s(kMargin) + 4 * s(kGap) + s(3 * kGap);
        for (SiteId id : {SiteId::Check, SiteId::Start, SiteId::Stop, SiteId::OpenPage,
                          SiteId::OpenSheet, SiteId::Close}) {
            buttons += button(id);
        }
        return std::max({pads + radios, pads + source, pads + range, pads + verifyAndJobs,
                         pads + report, buttons});
    }

    int labelColumn() const {
        return std::max({text(SiteId::RangeLabel), text(SiteId::ReportLabel),
                         text(SiteId::ResumeLabel)});
    }
    // The jobs field holds up to "1024" or the word for all of them (its text width).
    int jobsWidth() const { return std::max(s(kJobsWidth), text(SiteId::Jobs) + s(16)); }
    int dotsWidth() const {
        return std::max(s(kBrowseDotsWidth),
                        std::max(text(SiteId::BrowseReport), text(SiteId::BrowseResume)) + s(12));
    }
    int statusHeight() const { return m_.lineHeight + s(4); }
    int notesHeight() const { return kNoteLines * m_.lineHeight + s(8); }
    int tableMinimum() const { return kTableRows * (m_.lineHeight + s(6)) + controlHeight_; }
    int auditPaneHeight() const { return kAuditLines * m_.lineHeight + s(8); }

    // The audit's pane from `top` across the window; returns where the table starts.
    int layOutAuditPane(int width, int top) {
        place(SiteId::AuditPane, s(kMargin), top, width - 2 * s(kMargin), auditPaneHeight());
        return top + auditPaneHeight() + s(kGap);
    }

    // Lays everything out at this width; returns where the table starts.
    int layOutTop(int width) {
        const int margin = s(kMargin);
        const int gap = s(kGap);
        const int pad = s(kGroupPadding);
        const int groupLeft = margin;
        const int groupWidth = width - 2 * margin;
        const int innerLeft = groupLeft + pad;
        const int innerRight = groupLeft + groupWidth - pad;

        // The task, and the sheet or folder it works on.
        int y = margin;
        int row = y + groupTop();
        int x = innerLeft;
        for (SiteId id : {SiteId::Commission, SiteId::Backup, SiteId::Restore, SiteId::Audit}) {
            place(id, x, row, mark(id), controlHeight_);
            x += mark(id) + s(2 * kGap + 4);
        }
        row += controlHeight_ + gap;
        const int browse = button(SiteId::Browse);
        placeLabel(SiteId::SourceLabel, innerLeft, row, text(SiteId::SourceLabel));
        const int sourceLeft = innerLeft + text(SiteId::SourceLabel) + gap;
        place(SiteId::Source, sourceLeft, row, innerRight - browse - gap - sourceLeft,
              controlHeight_);
        place(SiteId::Browse, innerRight - browse, row, browse, controlHeight_);
        row += controlHeight_ + pad;
        place(SiteId::TaskGroup, groupLeft, y, groupWidth, row - y);

        // The options, their labels in one column.
        y = row + gap;
        row = y + groupTop();
        const int fieldLeft = innerLeft + labelColumn() + gap;
        placeLabel(SiteId::RangeLabel, innerLeft, row, labelColumn());
        place(SiteId::Range, fieldLeft, row, innerRight - fieldLeft, controlHeight_);
        row += controlHeight_ + gap;

        place(SiteId::Verify, innerLeft, row, mark(SiteId::Verify), controlHeight_);
        x = innerLeft + mark(SiteId::Verify) + s(4 * kGap);
        placeLabel(SiteId::JobsLabel, x, row, text(SiteId::JobsLabel));
        x += text(SiteId::JobsLabel) + gap;
        place(SiteId::Jobs, x, row, jobsWidth(), controlHeight_);
        place(SiteId::JobsSpin, x + jobsWidth(), row, s(kSpinWidth), controlHeight_);
        row += controlHeight_ + gap;

        const int dots = dotsWidth();
        for (auto [label, field, browseId] :
             {std::array{SiteId::ReportLabel, SiteId::Report, SiteId::BrowseReport},
              std::array{SiteId::ResumeLabel, SiteId::Resume, SiteId::BrowseResume}}) {
            placeLabel(label, innerLeft, row, labelColumn());
            place(field, fieldLeft, row, innerRight - dots - gap - fieldLeft, controlHeight_);
            place(browseId, innerRight - dots, row, dots, controlHeight_);
            row += controlHeight_ + gap;
        }
        row += pad - gap;
        place(SiteId::OptionsGroup, groupLeft, y, groupWidth, row - y);

        // The buttons: the checks and the run, the handover, and Close apart on the right.
        row += gap + s(2);
        x = margin;
        for (SiteId id : {SiteId::Check, SiteId::Start, SiteId::Stop}) {
            place(id, x, row, button(id), controlHeight_);
            x += button(id) + gap;
        }
        x += s(3 * kGap);
        for (SiteId id : {SiteId::OpenPage, SiteId::OpenSheet}) {
            place(id, x, row, button(id), controlHeight_);
            x += button(id) + gap;
        }
        place(SiteId::Close, width - margin - button(SiteId::Close), row,
              button(SiteId::Close), controlHeight_);
        return row + controlHeight_ + gap + s(2);
    }

    // The table from `top` down to the status line, then the notes.
    void layOutBottom(int width, int top, int height) {
        const int margin = s(kMargin);
        const int gap = s(kGap);
        const int notesTop = height - margin - notesHeight();
        const int statusTop = notesTop - gap / 2 - statusHeight();
        place(SiteId::Lines, margin, top, width - 2 * margin, statusTop - gap / 2 - top);
        place(SiteId::Status, margin, statusTop, width - 2 * margin, statusHeight());
        place(SiteId::Notes, margin, notesTop, width - 2 * margin, notesHeight());
    }

    int bottomHeight() const {
        return tableMinimum() + s(kGap) + statusHeight() + notesHeight() + s(kMargin);
    }

    SiteLayout& result() { return layout_; }

  private:
    const SiteMetrics& m_;
    int controlHeight_ = 0;
    SiteLayout layout_;
};

}  // namespace

SiteLayout LayOutSite(const SiteMetrics& metrics, int clientWidth, int clientHeight,
                      bool auditPane) {
    Builder builder(metrics);
    const int minimumWidth = builder.minimumWidth();
    const int width = std::max(clientWidth, minimumWidth);
    int tableTop = builder.layOutTop(width);
    if (auditPane) tableTop = builder.layOutAuditPane(width, tableTop);
    const int minimumHeight = tableTop + builder.bottomHeight();
    builder.layOutBottom(width, tableTop, std::max(clientHeight, minimumHeight));
    SiteLayout& layout = builder.result();
    layout.minimumClient = SIZE{minimumWidth, minimumHeight};
    return layout;
}

SIZE SiteDefaultClient(const SiteMetrics& metrics) {
    const Builder builder(metrics);
    const SiteLayout atMinimum = LayOutSite(metrics, 0, 0, false);
    const int rowHeight = metrics.lineHeight + builder.s(6);
    return SIZE{std::max<LONG>(atMinimum.minimumClient.cx, builder.s(kDefaultWidth)),
                atMinimum.minimumClient.cy + (kDefaultTableRows - kTableRows) * rowHeight};
}

}  // namespace quelvar::ui::win32
