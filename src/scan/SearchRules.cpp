#include "scan/SearchRules.h"

#include "state/FileTypes.h"
#include "state/ProgramState.h"

#include <algorithm>
#include <limits>

namespace dustrel {

namespace {

// Numbers from 1: the file types, then the special folders, then the custom patterns.
constexpr std::size_t kFirstFolder = 1 + kFileTypeCount;
constexpr std::size_t kFirstCustom = kFirstFolder + kSpecialFolderCount;
constexpr std::size_t kLastRule = std::numeric_limits<ResultsList::RuleId>::max();

} // namespace

SearchRules::SearchRules(const ProgramState& state, std::string_view patterns)
{
    std::string joined;
    // Every piece of `list` is put down to `rule`; a rule past the numbers a row holds names nothing.
    const auto add = [&](std::string_view list, std::size_t rule) {
        if (!joined.empty() || !m_pieces.empty())
            joined += ';';
        joined += list;
        const auto id = static_cast<ResultsList::RuleId>(rule <= kLastRule ? rule : ResultsList::kNoRule);
        m_pieces.insert(m_pieces.end(),
                        1 + static_cast<std::size_t>(std::count(list.begin(), list.end(), ';')), id);
    };
    for (std::size_t i = 0; i < kFileTypeCount; ++i) {
        if (state.choices.files()[i].ticked())
            add(state.FILE_TYPES[i], 1 + i);
    }
    const std::vector<std::string>& customs = state.CSTM_TBL.patterns();
    for (std::size_t j = 0; j < customs.size(); ++j) {
        add(customs[j], kFirstCustom + j);
        if (kFirstCustom + j <= kLastRule)
            m_customs.push_back("Custom: " + customs[j]);
    }
    if (joined != patterns)
        m_pieces.clear();
}

std::vector<std::string> SearchRules::names() const
{
    std::vector<std::string> names;
    names.reserve(kFirstCustom - 1 + m_customs.size());
    for (const CleaningRule& rule : kCleaningRules)
        names.emplace_back(rule.label);
    for (const std::string_view label : kSpecialFolderLabels)
        names.emplace_back(label);
    names.insert(names.end(), m_customs.begin(), m_customs.end());
    return names;
}

ResultsList::RuleId SearchRules::ofSpecialFolder(std::size_t k)
{
    return static_cast<ResultsList::RuleId>(kFirstFolder + k);
}

} // namespace dustrel
