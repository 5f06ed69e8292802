#pragma once

#include "BenchSession.h"
#include "SearchDriver.h"

#include <cstddef>
#include <memory>

namespace dustrel::bench {

// What the window does with a long results list, each step in milliseconds and painted before the clock
// stops: a figure that grows with the number of rows means work per row on the window side.
struct LongListFigures
{
    std::size_t rows = 0;
    double showMilliseconds = 0;   // the rows reach the view in one batch and the window is painted
    double scrollMilliseconds = 0; // one jump of the scroll bar, painted; the mean of several
    double removeMilliseconds = 0; // one row removed by its double-click handler, painted; the mean
};

// The search of the benchmark tree through the real main window on the offscreen platform: the Search
// button clicked, the window's pumps, status text, results model and painting included, over the same
// BenchSession as the core driver. Makes the program's QApplication, so there is one per process.
class WindowSearchDriver : public SearchDriver
{
public:
    WindowSearchDriver(BenchSession& session, int& argc, char** argv);
    ~WindowSearchDriver() override;
    WindowSearchDriver(const WindowSearchDriver&) = delete;
    WindowSearchDriver& operator=(const WindowSearchDriver&) = delete;

    std::string_view name() const override { return "window"; }
    SearchFigures search() override;
    std::vector<ListedFile> listedFiles() const override;
    DeletionFigures deleteRows() override;

    // Fills the window's results list with `rows` made-up rows (no file behind them), measures showing,
    // scrolling and removing, then empties the list again.
    LongListFigures measureLongList(std::size_t rows);

    // Time spent inside the window's pumps during the last search.
    double pumpSeconds() const;
    // How many insertions told the view of the rows of the last search.
    int insertionBatches() const { return m_insertions; }

private:
    struct Window;
    BenchSession& m_session;
    std::unique_ptr<Window> m_window;
    int m_insertions = 0;
};

} // namespace dustrel::bench
