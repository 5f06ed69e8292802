#include "WindowSearchDriver.h"

#include "cleanup/Deletion.h"
#include "ui/common/QtText.h"
#include "ui/common/StatusLabel.h"
#include "ui/main/Menu.h"
#include "ui/main/ResultsTableModel.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <chrono>
#include <cstdio>

namespace dustrel::bench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The main window with a count of its pumps and of the time spent in them: the count is the number of
// folders entered after the root, the time what the window adds to the walk in its event loop.
class CountingMenu : public Menu
{
public:
    using Menu::Menu;

    void pumpEvents() override
    {
        const auto start = Clock::now();
        Menu::pumpEvents();
        pumpSeconds += secondsSince(start);
        ++pumps;
    }

    long pumps = 0;
    double pumpSeconds = 0;
};

// Lets whatever the last step posted (layouts, updates) run, then paints the whole window now rather
// than at the next frame, so the clock sees the painting too.
void settleAndPaint(QWidget& window)
{
    QCoreApplication::processEvents();
    window.repaint();
}

} // namespace

// Chosen before the application is made: the figures must not depend on the desktop the benchmark is
// started from, nor need one.
struct OffscreenPlatform
{
    OffscreenPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }
};

struct WindowSearchDriver::Window
{
    Window(BenchSession& session, int& argc, char** argv)
        : application(argc, argv), menu(session.state, session.platform())
    {
        menu.setEndProgram([] {});
        menu.show();
        settleAndPaint(menu);
    }

    OffscreenPlatform platform;
    QApplication application;
    CountingMenu menu;
};

WindowSearchDriver::WindowSearchDriver(BenchSession& session, int& argc, char** argv)
    : m_session(session), m_window(std::make_unique<Window>(session, argc, argv))
{}

WindowSearchDriver::~WindowSearchDriver() = default;

SearchFigures WindowSearchDriver::search()
{
    CountingMenu& menu = m_window->menu;
    menu.pumps = 0;
    menu.pumpSeconds = 0;
    const int insertionsBefore = menu.resultsModel().insertionBatches();
    const auto start = Clock::now();
    // The user's click: the button's handler runs the search and shows its end before returning.
    menu.commandButton(1)->click();
    SearchFigures figures;
    figures.seconds = secondsSince(start);
    m_insertions = menu.resultsModel().insertionBatches() - insertionsBefore;
    figures.foldersEntered = static_cast<std::size_t>(menu.pumps) + 1;
    figures.rows = menu.results().size();
    figures.wastedSize = menu.results().WASTED_SIZE();
    // What the status bar shows, which must be what the window says it holds.
    figures.status = toBytes(menu.StatusBar1()->shownText());
    if (figures.status != menu.statusText())
        figures.status += " (the window holds: " + std::string(menu.statusText()) + ")";
    if (static_cast<std::size_t>(menu.resultsModel().rowCount()) != figures.rows)
        figures.status += " (the view shows " + std::to_string(menu.resultsModel().rowCount()) + " rows)";
    return figures;
}

double WindowSearchDriver::pumpSeconds() const
{
    return m_window->menu.pumpSeconds;
}

std::vector<ListedFile> WindowSearchDriver::listedFiles() const
{
    const ResultsList& results = m_window->menu.results();
    std::vector<ListedFile> files;
    files.reserve(results.size());
    for (std::size_t i = 0; i < results.size(); ++i)
        files.push_back({results.fullPath(i), results.fileSize(i)});
    return files;
}

DeletionFigures WindowSearchDriver::deleteRows()
{
    Menu& menu = m_window->menu;
    const auto start = Clock::now();
    const DeletionOutcome outcome = DeleteListedFiles(menu.context(), false);
    menu.flushView();
    return DeletionFigures{outcome.tried, outcome.failures, secondsSince(start)};
}

LongListFigures WindowSearchDriver::measureLongList(std::size_t rows)
{
    constexpr int kSteps = 20;
    Menu& menu = m_window->menu;
    ResultsList& results = menu.results();
    QTableView& view = *menu.ListView1();
    LongListFigures figures;
    figures.rows = rows;

    results.clear();
    const ResultsList::FolderId folder = results.addStartFolder(m_session.state.WIN_PATH + "/made-up");
    FileInfo info;
    info.type = EntryType::File;
    info.modified = FileTime{};
    char name[32];
    for (std::size_t i = 0; i < rows; ++i) {
        std::snprintf(name, sizeof name, "row%07zu.tmp", i);
        info.size = static_cast<std::int64_t>(i % 300'000);
        info.inode = i;
        results.append(folder, name, info);
    }
    results.publish();

    auto start = Clock::now();
    menu.flushView();
    settleAndPaint(menu);
    figures.showMilliseconds = secondsSince(start) * 1000.0;

    // Jumps across the whole list, each painted: the view must find its rows without walking to them.
    QScrollBar& bar = *view.verticalScrollBar();
    start = Clock::now();
    for (int step = 1; step <= kSteps; ++step) {
        bar.setValue(
            static_cast<int>(static_cast<long long>(bar.maximum()) * ((step * 7) % kSteps) / kSteps));
        view.viewport()->repaint();
    }
    figures.scrollMilliseconds = secondsSince(start) * 1000.0 / kSteps;

    // Double-clicks on rows about the middle of the list; the bench answers No to the question.
    bar.setValue(bar.maximum() / 2);
    start = Clock::now();
    for (int step = 0; step < kSteps; ++step) {
        const int row = view.rowAt(view.viewport()->height() / 2);
        view.setCurrentIndex(view.model()->index(row, 0));
        menu.ListView1_DblClick();
        settleAndPaint(menu);
    }
    figures.removeMilliseconds = secondsSince(start) * 1000.0 / kSteps;

    results.clear();
    menu.setStatusText({});
    menu.flushView();
    return figures;
}

} // namespace dustrel::bench
