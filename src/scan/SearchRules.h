#pragma once

#include "scan/ResultsList.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

struct ProgramState;

// Which rule listed a file, as a number a row keeps (ResultsList::RuleId) and a name the user knows: the
// file type's check-box caption ("*.BAK Files"), "Custom: " and the custom pattern, or the special
// folder's caption. A name that several ticked rules match is put down to the first of them in the order
// of the search's pattern list: the file types in check-box order, then the custom patterns.
class SearchRules
{
public:
    // The rules of the choices as they are now, for a search that matches names with `patterns`. When
    // the list is not the one the choices make (FILTRE set some other way), no name is put down to a rule.
    SearchRules(const ProgramState& state, std::string_view patterns);

    // The names the numbers stand for, number 1 first (see ResultsList::setRuleNames).
    std::vector<std::string> names() const;
    // The rule of the piece of the pattern list that PatternMatcher::firstMatch found.
    ResultsList::RuleId ofPiece(std::size_t piece) const
    {
        return piece < m_pieces.size() ? m_pieces[piece] : ResultsList::kNoRule;
    }
    static ResultsList::RuleId ofSpecialFolder(std::size_t k);

private:
    std::vector<std::string> m_customs;
    std::vector<ResultsList::RuleId> m_pieces; // per piece of the pattern list
};

} // namespace dustrel
