#include "ui/main/ResultsTableModel.h"

#include "state/FileTypes.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"

#include <QTimerEvent>
#include <algorithm>
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
    const auto row = static_cast<std::size_t>(index.row());
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

void ResultsTableModel::flush()
{
    m_batchTimer.stop();
    const std::size_t total = m_results.size();
    if (total <= m_shown)
        return;
    beginInsertRows(QModelIndex(), toRow(m_shown), toRow(total - 1));
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
    if (m_removingShown != 0)
        beginRemoveRows(QModelIndex(), toRow(first), toRow(first + m_removingShown - 1));
}

void ResultsTableModel::rowsRemoved(std::size_t, std::size_t)
{
    if (m_removingShown != 0) {
        m_shown -= m_removingShown;
        m_removingShown = 0;
        endRemoveRows();
    }
}

void ResultsTableModel::aboutToReset()
{
    beginResetModel();
}

void ResultsTableModel::resetDone()
{
    m_batchTimer.stop();
    m_shown = m_results.size();
    endResetModel();
}

} // namespace dustrel
