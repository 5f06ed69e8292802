#include "RowMemoryMeasure.h"

#include "BenchSession.h"
#include "CoreSearchDriver.h"

#include <fstream>
#include <memory>
#include <sys/resource.h>

namespace dustrel::bench {

namespace {

// A "Vm...:" line of /proc/self/status, in bytes; -1 when missing.
double statusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stod(line.substr(key.size() + 1)) * 1024.0;
    }
    return -1;
}

bool resetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

} // namespace

RowMemoryFigures MeasureRowMemory(const std::string& root)
{
    RowMemoryFigures figures;
    auto session = std::make_unique<BenchSession>(root);
    auto driver = std::make_unique<CoreSearchDriver>(*session);

    figures.exactPeak = resetPeak();
    const double before = statusBytes("VmRSS");
    const SearchFigures search = driver->search();
    double peak = statusBytes("VmHWM");
    if (!figures.exactPeak || peak < 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
        figures.exactPeak = false;
    }
    figures.rows = search.rows;
    figures.seconds = search.seconds;
    figures.growthBytes = peak - before;
    figures.bytesPerRow = search.rows == 0 ? 0 : figures.growthBytes / static_cast<double>(search.rows);
    return figures;
}

} // namespace dustrel::bench
