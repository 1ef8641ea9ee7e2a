#include "ui/qt/site_table_model.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>

#include "app/site_words.h"

namespace quelvar::ui::qt {

using app::LineLook;
using app::SiteWord;

namespace {

// Pale enough for black text on any theme; the text colour is set with them
// so that a dark theme's light text does not vanish on the pale background.
const QColor kFailedBackground(0xFF, 0xD6, 0xD6);
const QColor kStoppedBackground(0xFF, 0xE6, 0xB0);
const QColor kPatternBackground(0xE4, 0xE4, 0xE4);
const QColor kMarkedText(0x1A, 0x1A, 0x1A);

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

// A line that never got under way (waiting, or failed before its first
// step, such as a module not found) has no bar: "0 %" would tell nothing.
bool hasBar(const app::SiteLine& line) {
    return line.look == LineLook::Running || line.progress > 0;
}

// A record's cell is coloured by its own sign, not by its line: in a line
// that differs, the records that are the same stay plain. The sign says it
// all; the colour only makes a differing record found at a glance.
QVariant signBackground(const std::string& sign) {
    switch (app::RecordCellLook(sign)) {
        case app::CellLook::Differs: return kFailedBackground;
        case app::CellLook::Unread: return kStoppedBackground;
        case app::CellLook::Pattern: return kPatternBackground;
        case app::CellLook::Plain: break;
    }
    return {};
}

}  // namespace

SiteTableModel::SiteTableModel(platform::Language language, QObject* parent)
    : QAbstractTableModel(parent), language_(language) {}

void SiteTableModel::setLines(const std::vector<app::SiteLine>& lines) {
    beginResetModel();
    lines_ = lines;
    endResetModel();
}

void SiteTableModel::setRecordColumns(const std::vector<std::string>& titles) {
    beginResetModel();
    recordTitles_.clear();
    for (const std::string& title : titles) recordTitles_.push_back(fromUtf8(title));
    endResetModel();
}

void SiteTableModel::updateLines(
    const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) {
    std::vector<std::size_t> rows;
    rows.reserve(changed.size());
    for (const auto& [row, line] : changed) {
        if (row >= lines_.size() || lines_[row] == line) continue;
        lines_[row] = line;
        rows.push_back(row);
    }
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    // Runs of neighbouring rows, each one range for the view.
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t row : rows) {
        if (!runs.empty() && runs.back().second + 1 == row) {
            runs.back().second = row;
        } else {
            runs.emplace_back(row, row);
        }
    }
    if (runs.size() > kMostRanges) runs = {{runs.front().first, runs.back().second}};
    for (const auto& [first, last] : runs) {
        emit dataChanged(index(static_cast<int>(first), 0),
                         index(static_cast<int>(last), columnCount() - 1));
    }
}

int SiteTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int SiteTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : reasonColumn() + 1;
}

const std::string& SiteTableModel::sign(const app::SiteLine& line, int column) const {
    static const std::string kNone;
    const auto record = static_cast<std::size_t>(column - FirstRecord);
    return record < line.records.size() ? line.records[record] : kNone;
}

QVariant SiteTableModel::text(const app::SiteLine& line, int column) const {
    if (isRecordColumn(column)) return fromUtf8(sign(line, column));
    if (column == reasonColumn()) return fromUtf8(line.reason);
    switch (column) {
        case Mac: return fromUtf8(line.mac);
        case Before: return fromUtf8(line.before);
        case After: return fromUtf8(line.after);
        case File: return fromUtf8(line.file);
        case Step: return fromUtf8(line.step);
        case Progress:
            return hasBar(line) ? QStringLiteral("%1 %").arg(line.progress) : QString();
        case Result: return fromUtf8(line.result);
        default: return {};
    }
}

QString SiteTableModel::spokenLine(const app::SiteLine& line) const {
    QStringList cells;
    for (int column = 0; column < columnCount(); ++column) {
        const QString cell = text(line, column).toString();
        if (!cell.isEmpty()) cells << cell;
    }
    return cells.join(QStringLiteral(", "));
}

QVariant SiteTableModel::background(const app::SiteLine& line, int column) const {
    if (isRecordColumn(column)) return signBackground(sign(line, column));
    if (line.look == LineLook::Failed) return kFailedBackground;
    if (line.look == LineLook::Stopped) return kStoppedBackground;
    return {};
}

QVariant SiteTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const app::SiteLine& line = lines_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return text(line, index.column());
        case Qt::AccessibleDescriptionRole:
            // A screen reader on any cell hears the whole line, not a
            // position in the table.
            return spokenLine(line);
        case Qt::ToolTipRole:
            // The reason is often longer than its column.
            return index.column() == reasonColumn() || index.column() == File
                       ? text(line, index.column())
                       : QVariant();
        case ProgressRole:
            return std::clamp(line.progress, 0, 100);
        case HasBarRole:
            return hasBar(line);
        case Qt::BackgroundRole:
            return background(line, index.column());
        case Qt::ForegroundRole:
            // Dark on every pale background, whatever the theme's text colour.
            return background(line, index.column()).isValid() ? QVariant(kMarkedText)
                                                               : QVariant();
        case Qt::TextAlignmentRole:
            return isRecordColumn(index.column()) ? QVariant(static_cast<int>(Qt::AlignCenter)) : QVariant();
        case Qt::FontRole:
            if (line.look == LineLook::Failed && index.column() == Result) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        default:
            return {};
    }
}

QVariant SiteTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;  // the line in the table, from 1
    if (section < 0 || section >= columnCount()) return {};
    if (isRecordColumn(section)) return recordTitles_[static_cast<std::size_t>(section - FirstRecord)];
    const SiteWord word =
        section == reasonColumn()
            ? SiteWord::ColumnReason
            : static_cast<SiteWord>(static_cast<int>(SiteWord::ColumnMac) + section);
    return QString::fromUtf8(app::SiteText(word, language_));
}

void ProgressBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const int progress = index.data(SiteTableModel::ProgressRole).toInt();
    if (!index.data(SiteTableModel::HasBarRole).toBool()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The cell's own background and selection first, the bar inside it.
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    QStyleOptionProgressBar bar;
    if (widget != nullptr) bar.initFrom(widget);
    bar.state = option.state | QStyle::State_Horizontal;
    bar.direction = option.direction;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.fontMetrics = option.fontMetrics;
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = progress;
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}

}  // namespace quelvar::ui::qt
