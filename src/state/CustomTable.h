#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dustrel {

// The user's custom patterns (CSTM_TBL): slots 0 to m - 1 in list order, slot m the spare.
class CustomTable
{
public:
    void clear() { m_patterns.clear(); }
    void setPatterns(std::vector<std::string> patterns) { m_patterns = std::move(patterns); }
    void append(std::string pattern) { m_patterns.push_back(std::move(pattern)); }
    void removeAt(std::size_t index);

    const std::vector<std::string>& patterns() const { return m_patterns; }
    std::size_t count() const { return m_patterns.size(); }

    std::size_t highestIndex() const { return m_patterns.size(); }
    const std::string& slot(std::size_t index) const;

private:
    std::vector<std::string> m_patterns;
};

} // namespace dustrel
