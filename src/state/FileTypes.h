#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace dustrel {

struct ProgramState;

constexpr std::size_t kFileTypeCount = 19;
constexpr std::size_t kSpecialFolderCount = 5;

// One kind of rubbish file: the caption of its check box, its tool tip, its pattern list, and whether the
// default choices tick it.
struct CleaningRule
{
    std::string_view label;
    std::string_view toolTip;
    std::string_view patterns;
    // Clear for the rules whose names are also formats that people keep on this system (FITS images,
    // Gaussian checkpoints, packet captures and database exports, Matrix Market files, and any
    // "...log.txt" such as CHANGELOG.txt or catalog.txt): a weekly automatic run with the defaults would
    // take them without anyone having seen a list. The user may still tick them.
    bool tickedByDefault;
};

extern const std::array<CleaningRule, kFileTypeCount> kCleaningRules;

// Captions of the special-folder check boxes: temporary folder, recent documents, Navigator cache,
// Communicator cache, Explorer cache.
extern const std::array<std::string_view, kSpecialFolderCount> kSpecialFolderLabels;

// Fills FILE_TYPES with the pattern list of every rule.
void InitFileTypes(ProgramState& state);

// FILTRE := the patterns of the ticked rules, then every custom pattern, joined by ";"; "NULL" when
// there is none.
void BuildFilter(ProgramState& state);

// The pattern list a search matches names against: FILTRE, except that the "NULL" standing for nothing
// chosen matches nothing (a file named "null" is not rubbish). A custom pattern "NULL" stays one.
std::string_view SearchPatterns(const ProgramState& state);

} // namespace dustrel
