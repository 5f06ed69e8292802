#include "cleanup/Deletion.h"
#include "platform/Platform.h"
#include "scan/ResultsCommands.h"
#include "scan/SearchRun.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/StatusLabel.h"
#include "ui/main/ListEntries.h"
#include "ui/main/Menu.h"
#include "ui/main/ResultsTableModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>

namespace dustrel {

namespace {

// The end of a long folder path tells more than its start.
class MiddleElision : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

// The row header of the results list. Its rows are all as high as each other and never hidden or moved,
// so removing any row is, for the header, removing its last one. Told of a removal the usual way, the
// header of Qt 6.4 visits every row to rebuild its table of hidden rows, which makes a double-click in a
// list of a million rows cost milliseconds; this one only drops its last row.
class UniformRowsHeader : public QHeaderView
{
public:
    explicit UniformRowsHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

    void setModel(QAbstractItemModel* model) override
    {
        disconnect(m_removals);
        QHeaderView::setModel(model);
        if (model == nullptr)
            return;
        QObject::disconnect(model, &QAbstractItemModel::rowsRemoved, this, nullptr);
        m_removals =
            connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex& parent) {
                if (!parent.isValid())
                    rowsGone();
            });
    }

private:
    void rowsGone()
    {
        const int rows = model()->rowCount();
        if (hiddenSectionCount() != 0 || sectionsMoved())
            reset(); // not this header's case, but never a wrong count
        else if (rows == 0)
            initializeSections();
        else
            initializeSections(0, rows - 1);
    }

    QMetaObject::Connection m_removals;
};

} // namespace

void Menu::createResultsView()
{
    m_listView1 = new QTableView(m_client);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setAccessibleName(QStringLiteral("Files found"));
    m_listView1->installEventFilter(this);
    m_listView1->setVerticalHeader(new UniformRowsHeader(m_listView1));
    m_model = new ResultsTableModel(m_results, m_platform.locale, this);
    m_listView1->setModel(m_model);
    m_listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_listView1, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { ListView1_ContextMenu(at); });
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab goes on to the next control, as from any other list; the arrows walk the rows.
    m_listView1->setTabKeyNavigation(false);
    m_listView1->setShowGrid(false);
    m_listView1->setWordWrap(false);
    m_listView1->setItemDelegateForColumn(1, new MiddleElision(m_listView1));
    m_listView1->setIconSize(QSize(16, 16));
    m_listView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row as high as the others, so a million rows cost the view nothing per row.
    QHeaderView* rows = m_listView1->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(18, m_listView1->fontMetrics().height() + 4));
    QHeaderView* columns = m_listView1->horizontalHeader();
    // The four columns keep their widths; the Rule column after them takes the part of the list they leave,
    // and never less than it needs.
    columns->setStretchLastSection(true);
    columns->setHighlightSections(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    // The walk's order until a caption is clicked; a click orders by it, a second reverses.
    columns->setSectionsClickable(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setSortIndicatorShown(true);
    connect(columns, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) { m_model->sortBy(column, order); });
    connect(m_listView1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_listView1->selectRow(index.row());
        ListView1_DblClick();
    });
}

// ---- The window host ----------------------------------------------------------------------------

QPushButton* Menu::button(Command command) const
{
    switch (command) {
    case Command::Search:
        return m_commands[0];
    case Command::Stop:
        return m_commands[1];
    case Command::Delete:
        return m_commands[2];
    }
    return m_commands[0];
}

QPushButton* Menu::commandButton(int number) const
{
    return number >= 1 && number <= 7 ? m_commands[static_cast<std::size_t>(number - 1)] : nullptr;
}

void Menu::setCommandEnabled(Command command, bool enabled)
{
    button(command)->setEnabled(enabled);
}

void Menu::setCommandDefault(Command command, bool isDefault)
{
    button(command)->setDefault(isDefault);
}

void Menu::setStatusText(std::string_view text)
{
    m_statusBar1->setText(text);
}

std::string_view Menu::statusText() const
{
    return m_statusBar1->text();
}

void Menu::followStatusText(const std::string* live)
{
    m_statusBar1->follow(live);
}

void Menu::setPointer(Pointer pointer)
{
    m_pointer = pointer;
    if (pointer == Pointer::Default) {
        if (m_cursorOverridden) {
            QApplication::restoreOverrideCursor();
            m_cursorOverridden = false;
        }
        return;
    }
    const QCursor cursor(pointer == Pointer::Hourglass ? Qt::WaitCursor : Qt::BusyCursor);
    if (m_cursorOverridden) {
        QApplication::changeOverrideCursor(cursor);
    } else {
        QApplication::setOverrideCursor(cursor);
        m_cursorOverridden = true;
    }
}

void Menu::pumpEvents()
{
    // Stop still takes effect before the next folder: a click waits at most kPumpInterval plus one
    // folder's listing, and the walk checks for it after every pump that let it through.
    if (std::chrono::steady_clock::now() < m_nextPump)
        return;
    QCoreApplication::processEvents();
    m_nextPump = std::chrono::steady_clock::now() + kPumpInterval;
}

void Menu::flushView()
{
    m_model->flush();
    m_statusBar1->flush();
}

// ---- Choices ------------------------------------------------------------------------------------

// ---- Search, results and deletion -----------------------------------------------------------------

void Menu::Command1_Click()
{
    if (const Result<void> searched = search(); !searched) {
        m_platform.messageBoxes.show(programMessage(searched.error().message, MessageIcon::Exclamation));
        return;
    }
    if (const std::string incomplete = IncompleteSearchText(m_context); !incomplete.empty())
        m_platform.messageBoxes.show(programMessage(
            incomplete + m_state.NEWLINE + "Files in the folders it could not open are not listed.",
            MessageIcon::Exclamation));
}

Result<void> Menu::search()
{
    m_nextPump = {};
    m_listView1->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    Result<void> searched = ::dustrel::Command1_Click(m_context);
    flushView();
    return searched;
}

void Menu::Command2_Click()
{
    ::dustrel::Command2_Click(m_state);
}

void Menu::ListView1_DblClick()
{
    const QModelIndex current = m_listView1->currentIndex();
    if (!current.isValid() || m_deleting)
        return;
    if (::dustrel::ListView1_DblClick(m_context, m_model->listRow(current.row())))
        listEntry(m_ignoreLst, m_state.IGN_TBL.entries().back());
    m_statusBar1->flush();
}

void Menu::Command3_Click()
{
    if (m_deleting)
        return;
    m_deleting = true;
    m_nextPump = {};
    ::dustrel::Command3_Click(m_context);
    m_deleting = false;
    flushView();
}

std::vector<std::size_t> Menu::selectedResults() const
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_listView1->selectionModel()->selectedRows())
        rows.push_back(m_model->listRow(index.row()));
    return rows;
}

void Menu::ListView1_ContextMenu(QPoint at)
{
    if (m_deleting || m_results.empty())
        return;
    const QModelIndex under = m_listView1->indexAt(at);
    if (under.isValid() && !m_listView1->selectionModel()->isRowSelected(under.row()))
        m_listView1->selectRow(under.row());
    if (!m_listView1->selectionModel()->hasSelection())
        return;
    QMenu menu(this);
    QAction* remove = menu.addAction(QStringLiteral("Remove from the list"));
    QAction* ignore = menu.addAction(QStringLiteral("Add to the ignore list"));
    QAction* open = menu.addAction(QStringLiteral("Open the containing folder"));
    const QPoint global = m_listView1->viewport()->mapToGlobal(at);
    QAction* chosen = m_runMenu ? m_runMenu(menu, global) : menu.exec(global);
    if (chosen == remove)
        removeSelectedResults();
    else if (chosen == ignore)
        ignoreSelectedResults();
    else if (chosen == open)
        openResultFolder();
}

void Menu::removeSelectedResults()
{
    if (m_deleting)
        return;
    ::dustrel::RemoveRows(m_context, selectedResults());
    m_statusBar1->flush();
}

void Menu::ignoreSelectedResults()
{
    for (const std::string& path : ::dustrel::IgnoreRows(m_context, selectedResults()))
        listEntry(m_ignoreLst, path);
    m_statusBar1->flush();
}

void Menu::openResultFolder()
{
    const QModelIndex current = m_listView1->currentIndex();
    if (!current.isValid())
        return;
    const std::string folder = m_results.folder(m_model->listRow(current.row()));
    if (const Result<void> opened = m_platform.processes.openFolder(folder); !opened)
        m_platform.messageBoxes.show(programMessage("The folder could not be opened:" + m_state.NEWLINE +
                                                        folder + m_state.NEWLINE + opened.error().message,
                                                    MessageIcon::Exclamation));
}

} // namespace dustrel
