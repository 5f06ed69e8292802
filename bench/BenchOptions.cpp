#include "BenchOptions.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace dustrel::bench {

namespace {

void usage(const char* program)
{
    std::fprintf(
        stderr,
        "usage: %s [options]\n"
        "  --files N          files in the wide tree (default 300000)\n"
        "  --folders N        folders in the wide tree (default 30000)\n"
        "  --match-percent P  share of files a rule matches (default 3)\n"
        "  --seed N           seed of the names (default 1)\n"
        "  --tree-base DIR    where trees are built and kept between runs (default $TMPDIR or /tmp)\n"
        "  --runs N           rounds of the search, find, fd and the floor walk (default 7)\n"
        "  --cold-runs N      rounds of the search, the search on one thread and fd -j8, each after the\n"
        "                     page cache is dropped (root only; default 5, 0 for none)\n"
        "  --rows N           files of the tree whose search measures the memory of a row (default\n"
        "                     1000000, 0 for none)\n"
        "  --long-list-runs N rounds of that search, also without helpers, and find -printf (default 3)\n"
        "  --delete-files N   files deleted against find -delete (default 100000, 0 for none)\n"
        "  --delete-runs N    rounds of that deletion (default 3)\n"
        "  --deep N           instead: search one chain of N folders, then delete what it found\n"
        "  --search-only      instead: warm the cache, then only --runs searches of the core, nothing\n"
        "                     else (for perf stat, strace -c and callgrind)\n"
        "  --window           also search through the main window (offscreen) and print window/core\n"
        "  --list-rows N      with --window: rows of the long list to show, scroll and trim (default\n"
        "                     1000000, 0 for none)\n",
        program);
}

bool number(const char* text, unsigned long long& out)
{
    char* end = nullptr;
    out = std::strtoull(text, &end, 10);
    return end != text && *end == '\0';
}

// The options that count rounds, from 1 (0 too for the cold ones) to 999; false for any other option.
bool roundsOption(std::string_view arg, const char* value, BenchOptions& options)
{
    int* rounds = arg == "--runs"             ? &options.runs
                  : arg == "--cold-runs"      ? &options.coldRuns
                  : arg == "--delete-runs"    ? &options.deleteRuns
                  : arg == "--long-list-runs" ? &options.longListRuns
                                              : nullptr;
    unsigned long long n = 0;
    if (rounds == nullptr || !number(value, n) || n >= 1000 || (n == 0 && rounds != &options.coldRuns))
        return false;
    *rounds = static_cast<int>(n);
    return true;
}

} // namespace

std::optional<BenchOptions> parseOptions(int argc, char** argv)
{
    BenchOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long long n = 0;
        bool ok = true;
        if (arg == "--window" || arg == "--search-only") {
            (arg == "--window" ? options.window : options.searchOnly) = true;
            continue;
        }
        if (value == nullptr) {
            ok = false;
        } else if (arg == "--files") {
            ok = number(value, n) && n > 0;
            options.files = n;
        } else if (arg == "--folders") {
            ok = number(value, n) && n > 0;
            options.folders = n;
        } else if (arg == "--match-percent") {
            char* end = nullptr;
            options.matchPercent = std::strtod(value, &end);
            ok = *end == '\0' && options.matchPercent >= 0 && options.matchPercent <= 100;
        } else if (arg == "--seed") {
            ok = number(value, n);
            options.seed = n;
        } else if (arg == "--deep") {
            ok = number(value, n) && n > 0;
            options.deep = n;
        } else if (arg == "--tree-base") {
            options.treeBase = value;
        } else if (arg == "--rows") {
            ok = number(value, n) && n <= 100'000'000;
            options.rows = n;
        } else if (arg == "--delete-files") {
            ok = number(value, n) && n <= 100'000'000;
            options.deleteFiles = n;
        } else if (arg == "--list-rows") {
            ok = number(value, n) && n <= 10'000'000;
            options.listRows = n;
        } else {
            ok = roundsOption(arg, value, options);
        }
        if (!ok) {
            usage(argv[0]);
            return std::nullopt;
        }
        ++i;
    }
    if (options.treeBase.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        options.treeBase = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    }
    return options;
}

} // namespace dustrel::bench
