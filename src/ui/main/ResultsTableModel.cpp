#include "ui/main/ResultsTableModel.h"

#include "base/Text.h"
#include "state/FileTypes.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"

#include <QTimerEvent>
#include <algorithm>
#include <functional>
#include <limits>

namespace dustrel {

namespace {

enum Column
{
    FileName,
    Directory,
    Size,
    LastModified,
    Rule,
    ColumnCount,
};

// Qt counts rows in int.
int toRow(std::size_t row)
{
    return static_cast<int>(std::min<std::size_t>(row, std::numeric_limits<int>::max()));
}

} // namespace

ResultsTableModel::ResultsTableModel(ResultsList& results, Locale& locale, QObject* parent)
    : QAbstractTableModel(parent), m_results(results), m_locale(locale), m_format(locale.numberFormat()),
      m_icon(Images::imageList1()), m_shown(results.size())
{
    m_results.setObserver(this);
}

ResultsTableModel::~ResultsTableModel()
{
    m_results.setObserver(nullptr);
}

int ResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : toRow(m_shown);
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_shown)
        return {};
    const std::size_t row = listRow(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case FileName:
            return toQString(m_results.fileName(row));
        case Directory:
            return toQString(m_results.folder(row));
        case Size:
            return toQString(m_results.sizeText(row, m_format));
        case LastModified:
            return toQString(m_results.modifiedText(row, m_locale));
        case Rule:
            return toQString(m_results.rule(row));
        default:
            return {};
        }
    case Qt::DecorationRole:
        return index.column() == FileName ? QVariant(m_icon) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == Size ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        return toolTip(row, index.column());
    default:
        return {};
    }
}

QVariant ResultsTableModel::toolTip(std::size_t row, int column) const
{
    // A row that a deletion left behind says why on every column, the folder's full path included.
    const std::string_view why = m_results.stayReason(row);
    if (column == Directory && why.empty())
        return toQString(m_results.fullPath(row));
    if (why.empty())
        return column == Rule ? toQString(m_results.rule(row)) : QVariant();
    return toQString(m_results.fullPath(row) + "\n" + std::string(why));
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case FileName:
            return QStringLiteral("File name");
        case Directory:
            return QStringLiteral("Directory");
        case Size:
            return QStringLiteral("Size (bytes)");
        case LastModified:
            return QStringLiteral("Last Modified");
        case Rule:
            return QStringLiteral("Rule");
        default:
            return {};
        }
    }
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder;
    if (role == Qt::TextAlignmentRole)
        return section == Size ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                               : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

int ResultsTableModel::ruleColumnWidth(const QFontMetrics& metrics)
{
    int widest = metrics.horizontalAdvance(toQString(kSpecialFolderLabels[0]));
    for (const CleaningRule& rule : kCleaningRules)
        widest = std::max(widest, metrics.horizontalAdvance(toQString(rule.label)));
    // The cell's margins on both sides.
    return widest + 2 * metrics.averageCharWidth();
}

std::size_t ResultsTableModel::listRow(int viewRow) const
{
    const auto row = static_cast<std::size_t>(viewRow);
    return row < m_order.size() ? m_order[row] : row;
}

void ResultsTableModel::sortBy(int column, Qt::SortOrder order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> rowsBefore;
    for (const QModelIndex& index : before)
        rowsBefore.push_back(listRow(index.row()));
    m_sortColumn = column >= 0 && column < ColumnCount ? column : -1;
    m_sortOrder = order;
    this->order();
    std::vector<int> at(m_shown);
    for (std::size_t i = 0; i < m_shown; ++i)
        at[listRow(static_cast<int>(i))] = static_cast<int>(i);
    QModelIndexList after;
    for (std::size_t i = 0; i < rowsBefore.size(); ++i)
        after << index(rowsBefore[i] < m_shown ? at[rowsBefore[i]] : -1,
                       before[static_cast<int>(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultsTableModel::order()
{
    m_order.clear();
    if (m_sortColumn < 0)
        return;
    m_order.resize(m_shown);
    for (std::size_t i = 0; i < m_shown; ++i)
        m_order[i] = i;
    const bool down = m_sortOrder == Qt::DescendingOrder;
    auto sortByKey = [&](const auto& keys, auto less) {
        std::stable_sort(m_order.begin(), m_order.end(), [&](std::size_t a, std::size_t b) {
            return down ? less(keys[b], keys[a]) : less(keys[a], keys[b]);
        });
    };
    if (m_sortColumn == Size || m_sortColumn == LastModified) {
        std::vector<std::int64_t> keys(m_shown);
        for (std::size_t i = 0; i < m_shown; ++i)
            keys[i] = m_sortColumn == Size ? m_results.fileSize(i)
                                           : m_results.modified(i).time_since_epoch().count();
        sortByKey(keys, std::less<>());
        return;
    }
    std::vector<std::string> keys(m_shown);
    for (std::size_t i = 0; i < m_shown; ++i) {
        if (m_sortColumn == FileName)
            keys[i] = m_results.fileName(i);
        else if (m_sortColumn == Directory)
            keys[i] = m_results.folder(i);
        else
            keys[i] = m_results.rule(i);
    }
    sortByKey(keys, [](const std::string& a, const std::string& b) { return nameLess(a, b); });
}

void ResultsTableModel::flush()
{
    m_batchTimer.stop();
    const std::size_t total = m_results.size();
    if (total <= m_shown)
        return;
    beginInsertRows(QModelIndex(), toRow(m_shown), toRow(total - 1));
    // Shown after the ordered ones, in the list's order, until the next sort.
    for (std::size_t row = m_shown; row < total && m_sortColumn >= 0; ++row)
        m_order.push_back(row);
    m_shown = total;
    endInsertRows();
    ++m_batches;
}

void ResultsTableModel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_batchTimer.timerId())
        flush();
    else
        QAbstractTableModel::timerEvent(event);
}

void ResultsTableModel::rowsAppended(std::size_t, std::size_t)
{
    if (!m_batchTimer.isActive())
        m_batchTimer.start(kBatchMilliseconds, this);
}

void ResultsTableModel::rowsAboutToBeRemoved(std::size_t first, std::size_t count)
{
    // Rows the view has not been shown yet simply go; the view hears only of rows it knows.
    m_removingShown = first < m_shown ? std::min(count, m_shown - first) : 0;
    if (m_removingShown == 0)
        return;
    if (m_sortColumn < 0) {
        beginRemoveRows(QModelIndex(), toRow(first), toRow(first + m_removingShown - 1));
        return;
    }
    // Sorted, one row is one row of the view too; the view rows of several are scattered.
    const auto at = std::find(m_order.begin(), m_order.end(), first);
    m_removingAsReset = m_removingShown != 1 || at == m_order.end();
    if (m_removingAsReset) {
        beginResetModel();
    } else {
        const int row = toRow(static_cast<std::size_t>(at - m_order.begin()));
        beginRemoveRows(QModelIndex(), row, row);
    }
}

void ResultsTableModel::rowsRemoved(std::size_t first, std::size_t)
{
    if (m_removingShown == 0)
        return;
    const std::size_t count = m_removingShown;
    m_shown -= count;
    m_removingShown = 0;
    if (m_sortColumn >= 0)
        takeOutOfOrder(first, count);
    if (m_removingAsReset) {
        m_removingAsReset = false;
        endResetModel();
    } else {
        endRemoveRows();
    }
}

void ResultsTableModel::takeOutOfOrder(std::size_t first, std::size_t count)
{
    std::size_t kept = 0;
    for (const std::size_t row : m_order) {
        if (row >= first && row < first + count)
            continue;
        m_order[kept++] = row < first ? row : row - count;
    }
    m_order.resize(kept);
}

void ResultsTableModel::aboutToReset()
{
    beginResetModel();
}

void ResultsTableModel::resetDone()
{
    m_batchTimer.stop();
    m_shown = m_results.size();
    // Rows gone from anywhere: ordered again as the user asked, until the window asks otherwise.
    order();
    endResetModel();
}

} // namespace dustrel
