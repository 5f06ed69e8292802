#pragma once

#include "platform/Locale.h"
#include "scan/ResultsList.h"

#include <QAbstractTableModel>
#include <QBasicTimer>
#include <QFontMetrics>
#include <QIcon>
#include <vector>

namespace dustrel {

// The results list as the view's columns: file name, folder, size, modification time and the rule that
// listed the file. Rows are read from the ResultsList when drawn; nothing is copied per row. A row whose
// file a deletion left behind gives the reason in its tool tip.
//
// A search publishes rows once per folder; the view learns of them at most every kBatchMilliseconds in
// one insertion, so a search of a million files costs the view a few dozen updates. Removals and resets
// reach the view at once.
class ResultsTableModel : public QAbstractTableModel, private ResultsObserver
{
    Q_OBJECT
public:
    static constexpr int kBatchMilliseconds = 100;

    ResultsTableModel(ResultsList& results, Locale& locale, QObject* parent = nullptr);
    ~ResultsTableModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The least width of the Rule column: room for the captions of the file types and the temporary
    // folder; longer rules are elided and shown whole in the tool tip.
    static int ruleColumnWidth(const QFontMetrics& metrics);

    // Shows the rows ordered by a column (size and date by their values, the texts as names compare), or in
    // the list's own order with column -1. The list itself keeps its order: the deletion works through it.
    // Rows that come later are shown after the ordered ones; a change that reshapes the list orders it again.
    void sortBy(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sortColumn; }
    // The list's row shown at a row of the view.
    std::size_t listRow(int viewRow) const;

    // Shows every published row now.
    void flush();
    // How many insertions the view has been told of since the model was made.
    int insertionBatches() const { return m_batches; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    QVariant toolTip(std::size_t row, int column) const;
    void order();
    void takeOutOfOrder(std::size_t first, std::size_t count);
    void rowsAppended(std::size_t first, std::size_t count) override;
    void rowsAboutToBeRemoved(std::size_t first, std::size_t count) override;
    void rowsRemoved(std::size_t first, std::size_t count) override;
    void aboutToReset() override;
    void resetDone() override;

    ResultsList& m_results;
    Locale& m_locale;
    NumberFormat m_format;
    QIcon m_icon;
    // Rows the view knows of: the first m_shown rows of the list. Later rows wait for the next batch.
    std::size_t m_shown = 0;
    // Rows of the removal in progress that the view knows of.
    std::size_t m_removingShown = 0;
    // While sorted: the list's row at each row of the view; empty in the list's order.
    std::vector<std::size_t> m_order;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // A removal while sorted that the view hears of as a reset.
    bool m_removingAsReset = false;
    QBasicTimer m_batchTimer;
    int m_batches = 0;
};

} // namespace dustrel
