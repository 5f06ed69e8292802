#include "scan/SearchRun.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "scan/DirectoryWalk.h"
#include "scan/PatternMatcher.h"
#include "scan/ResultsList.h"
#include "scan/SearchRules.h"
#include "state/FileTypes.h"
#include "state/Format.h"
#include "state/ProgramState.h"
#include "state/WindowHost.h"

namespace dustrel {

namespace {

// The drive entry's caption is "Drive X:", so its letter is the seventh character.
constexpr std::size_t kLetterInCaption = 6;
constexpr std::size_t kCacheFolder = 4;
constexpr int kCacheSubfolders = 4;

std::string cacheSubfolder(WorkContext& context, int n)
{
    return joinPath(context.state.DIRECTORIES[kCacheFolder], "cache" + std::to_string(n),
                    context.platform.pathRules.separator);
}

// The files installed software owns among those this search could list, read once for the whole run.
InstalledFiles installedFiles(WorkContext& context, const PatternMatcher& filter)
{
    const ProgramState& state = context.state;
    OwnedFilesQuery query;
    query.nameMatches = [&filter](std::string_view name) { return filter.matches(name); };
    query.filterText = SearchPatterns(state);
    for (std::size_t k = 0; k < kSpecialFolderCount; ++k) {
        if (state.choices.dirs()[k].ticked() && !state.DIRECTORIES[k].empty())
            query.folders.push_back(state.DIRECTORIES[k]);
    }
    if (state.choices.dirs()[kCacheFolder].ticked() && !state.DIRECTORIES[kCacheFolder].empty()) {
        for (int n = 1; n <= kCacheSubfolders; ++n)
            query.folders.push_back(cacheSubfolder(context, n));
    }
    return context.platform.installedSoftware.ownedFiles(query);
}

void walkDrives(WorkContext& context, DirectoryWalk& walk, const PatternMatcher& filter)
{
    ProgramState& state = context.state;
    const std::size_t drives = state.listedDrives();
    for (std::size_t i = 0; i < drives; ++i) {
        // Both read afresh before each drive: the user may untick a drive or press Stop at a pump.
        const DriveEntry& entry = state.choices.drives()[i];
        if (!entry.box.ticked() || !state.SEARCHING || entry.box.caption.size() <= kLetterInCaption)
            continue;
        const std::string root =
            context.platform.drives.rootPath(asciiUpper(entry.box.caption[kLetterInCaption]));
        if (root.empty())
            continue;
        walk.WalkDrive(root, filter);
    }
}

// Every file of a ticked special folder, without its subfolders. A folder that was not found has an
// empty path, which must not turn into a folder at the root.
void listSpecialFolders(WorkContext& context, DirectoryWalk& walk)
{
    ProgramState& state = context.state;
    const PatternMatcher everything("*.*");
    for (std::size_t k = 0; k < kCacheFolder; ++k) {
        if (state.choices.dirs()[k].ticked() && state.SEARCHING && !state.DIRECTORIES[k].empty())
            walk.ListFolderFiles(state.DIRECTORIES[k], everything, SearchRules::ofSpecialFolder(k));
    }
    const std::string& cache = state.DIRECTORIES[kCacheFolder];
    if (state.choices.dirs()[kCacheFolder].ticked() && state.SEARCHING && !cache.empty()) {
        const ResultsList::RuleId rule = SearchRules::ofSpecialFolder(kCacheFolder);
        walk.ListFolderFiles(cache, everything, rule);
        for (int n = 1; n <= kCacheSubfolders; ++n)
            walk.ListFolderFiles(cacheSubfolder(context, n), everything, rule);
    }
}

// Which package database could not be read and why: without it, its files would be listed as rubbish.
std::string unknownOwnersText(const InstalledFiles& installed, const std::string& newline)
{
    std::string text = "Nothing was listed: what installed software owns is not known.";
    for (const PackageDatabase& database : installed.databases) {
        if (!database.read)
            text += newline + database.name + " (" + database.location + "): " + database.problem;
    }
    return text + newline + "Search again once the package database can be read.";
}

} // namespace

std::string_view withoutSummaryIndent(std::string_view status)
{
    if (status.starts_with(kSummaryIndent))
        status.remove_prefix(kSummaryIndent.size());
    return status;
}

std::string SummaryText(WorkContext& context)
{
    return std::string(kSummaryIndent) + "Total wasted size : " +
           formatWhole(context.results.WASTED_SIZE(), context.platform.locale.numberFormat()) +
           " byte(s) - " + std::to_string(context.results.size()) + " file(s).";
}

std::string IncompleteSearchText(WorkContext& context)
{
    const std::string& why = context.results.incomplete();
    if (why.empty())
        return {};
    return "The search stopped before it had looked everywhere:" + context.state.NEWLINE + why;
}

Result<void> RunSearch(WorkContext& context)
{
    ProgramState& state = context.state;
    WindowHost& host = context.host;

    host.setPointer(Pointer::ArrowHourglass);
    // The list is about to be replaced by one nobody has reviewed yet: deleting it half-built, at one of
    // the walk's pumps, would delete what the user never saw.
    host.setCommandEnabled(Command::Delete, false);
    state.SEARCHING.start();
    context.results.clear();

    // Compiled once for the whole run, whatever the number of folders.
    const PatternMatcher filter(SearchPatterns(state));
    const SearchRules rules(state, SearchPatterns(state));
    context.results.setRuleNames(rules.names());
    const InstalledFiles installed = installedFiles(context, filter);
    Result<void> searched;
    if (installed.known()) {
        DirectoryWalk walk(context);
        walk.passOverInstalled(&installed);
        walk.nameRulesBy(&rules);
        walkDrives(context, walk, filter);
        listSpecialFolders(context, walk);
    } else {
        searched = Error{0, unknownOwnersText(installed, state.NEWLINE), ""};
    }

    context.results.publish();
    // Stopped by the user (the walk's own stop for want of descriptors is told in a message): the list
    // holds only what was found before, and says so.
    const bool stopped = !state.SEARCHING && context.results.incomplete().empty();
    const std::string summary = SummaryText(context);
    host.setStatusText(stopped ? std::string(kSummaryIndent) +
                                     "Search stopped: " + std::string(withoutSummaryIndent(summary))
                               : summary);
    if (!context.results.empty())
        host.setCommandEnabled(Command::Delete, true);
    host.setPointer(Pointer::Default);
    return searched;
}

Result<void> Command1_Click(WorkContext& context)
{
    BuildFilter(context.state);
    WindowHost& host = context.host;
    host.setCommandDefault(Command::Search, false);
    host.setCommandEnabled(Command::Search, false);
    host.setCommandEnabled(Command::Stop, true);
    host.setCommandDefault(Command::Stop, true);
    Result<void> searched = RunSearch(context);
    host.setCommandDefault(Command::Stop, false);
    host.setCommandEnabled(Command::Stop, false);
    host.setCommandEnabled(Command::Search, true);
    host.setCommandDefault(Command::Search, true);
    return searched;
}

void Command2_Click(ProgramState& state)
{
    state.SEARCHING.stop();
}

} // namespace dustrel
