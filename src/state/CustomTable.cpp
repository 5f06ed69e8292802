#include "state/CustomTable.h"

namespace dustrel {

namespace {
const std::string kSpare;
}

void CustomTable::removeAt(std::size_t index)
{
    if (index < m_patterns.size())
        m_patterns.erase(m_patterns.begin() + static_cast<std::ptrdiff_t>(index));
}

const std::string& CustomTable::slot(std::size_t index) const
{
    return index < m_patterns.size() ? m_patterns[index] : kSpare;
}

} // namespace dustrel
