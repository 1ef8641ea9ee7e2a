#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "app/site_view.h"
#include "platform/language.h"

namespace quelvar::ui::qt {

// The Site window's table: one row per module, the columns of
// SiteWord::ColumnMac..ColumnResult, an audit's record columns, then
// ColumnReason. A run of a thousand modules changes some of its lines about
// ten times a second, so a change repaints only the rows it touched,
// announced in as few ranges as the rows allow.
class SiteTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The columns every task shows first; the record columns start at
    // FirstRecord, and the reason follows them (reasonColumn()).
    enum Column { Mac, Before, After, File, Step, Progress, Result, FirstRecord };
    // The progress as a number 0..100, for the delegate that draws it.
    static constexpr int ProgressRole = Qt::UserRole + 1;
    // Whether the line shows a bar at all.
    static constexpr int HasBarRole = Qt::UserRole + 2;
    // Beyond this many separate runs of changed rows, one range from the
    // first to the last is cheaper for the view than many small ones.
    static constexpr std::size_t kMostRanges = 16;

    explicit SiteTableModel(platform::Language language, QObject* parent = nullptr);

    void setLines(const std::vector<app::SiteLine>& lines);
    // Lines out of range are left out: the table may have been replaced
    // since the presenter counted them.
    void updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed);
    const std::vector<app::SiteLine>& lines() const { return lines_; }
    // An audit's record columns with these titles; none removes them.
    void setRecordColumns(const std::vector<std::string>& titles);
    int recordColumnCount() const { return static_cast<int>(recordTitles_.size()); }
    int reasonColumn() const { return FirstRecord + recordColumnCount(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    QVariant text(const app::SiteLine& line, int column) const;
    // The sign of a record column's cell; empty when the line has none yet.
    const std::string& sign(const app::SiteLine& line, int column) const;
    bool isRecordColumn(int column) const {
        return column >= FirstRecord && column < reasonColumn();
    }
    QVariant background(const app::SiteLine& line, int column) const;
    // The line's cells that hold something, in column order, as one text.
    QString spokenLine(const app::SiteLine& line) const;

    platform::Language language_;
    std::vector<app::SiteLine> lines_;
    std::vector<QString> recordTitles_;
};

// Draws the Progress column as the desktop style's own progress bar, so a
// run's lines read at a glance; a line that never got under way shows an
// empty cell.
class ProgressBarDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

}  // namespace quelvar::ui::qt
