#include "platform/Repositories.h"

#include <algorithm>

namespace dustrel {

TrackedPaths::TrackedPaths(std::vector<std::string> paths) : m_paths(std::move(paths))
{
    std::sort(m_paths.begin(), m_paths.end());
    m_paths.erase(std::unique(m_paths.begin(), m_paths.end()), m_paths.end());
}

bool TrackedPaths::contains(std::string_view path) const
{
    const auto found = std::lower_bound(m_paths.begin(), m_paths.end(), path,
                                        [](const std::string& a, std::string_view b) { return a < b; });
    return found != m_paths.end() && *found == path;
}

} // namespace dustrel
