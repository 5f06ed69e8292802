#include "platform/posix/walk/DescriptorChain.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace dustrel::posix {

bool isSingleName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

void DescriptorChain::start(UniqueFd start)
{
    clear();
    m_levels.push_back(Level{std::move(start)});
}

void DescriptorChain::push(UniqueFd fd)
{
    m_levels.push_back(Level{std::move(fd)});
    if (m_levels.size() - m_firstOpen <= m_keptLevels)
        return;
    Level& oldest = m_levels[m_firstOpen];
    struct stat st
    {
    };
    // Without its identity the level can never be accepted again on the way back, which then fails
    // safely rather than trust whatever ".." leads to.
    if (fstat(oldest.fd.get(), &st) == 0) {
        oldest.device = static_cast<std::uint64_t>(st.st_dev);
        oldest.inode = static_cast<std::uint64_t>(st.st_ino);
        oldest.known = true;
    }
    oldest.fd.reset();
    ++m_firstOpen;
}

Result<void> DescriptorChain::pop()
{
    if (m_levels.empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_levels.size() == 1)
        return Error{EINVAL, "already at the folder the walk started from", ""};
    if (m_lost) {
        m_levels.pop_back();
        return Error{ESTALE, "the walk lost its place: a folder was moved or replaced meanwhile", ""};
    }
    Level& parent = m_levels[m_levels.size() - 2];
    if (!parent.fd) {
        UniqueFd fd(openat(m_levels.back().fd.get(), "..", m_reopenFlags | O_NOFOLLOW));
        struct stat st
        {
        };
        if (!fd || fstat(fd.get(), &st) != 0) {
            const int code = errno;
            m_levels.pop_back();
            return lose(code, "cannot reopen the parent folder");
        }
        if (!parent.known || static_cast<std::uint64_t>(st.st_dev) != parent.device ||
            static_cast<std::uint64_t>(st.st_ino) != parent.inode) {
            m_levels.pop_back();
            return lose(ESTALE, "the folder was moved or replaced during the walk");
        }
        parent.fd = std::move(fd);
        m_firstOpen = m_levels.size() - 2;
    }
    m_levels.pop_back();
    return {};
}

void DescriptorChain::clear()
{
    m_levels.clear();
    m_firstOpen = 1;
    m_lost = false;
}

std::size_t DescriptorChain::openDescriptors() const
{
    if (m_levels.empty() || m_lost)
        return 0;
    return 1 + (m_levels.size() - m_firstOpen);
}

Error DescriptorChain::lose(int code, const char* why)
{
    m_lost = true;
    for (Level& level : m_levels)
        level.fd.reset();
    return Error{code, why, ""};
}

Result<void> DescriptorChain::usable(std::string_view walk, const std::string& path) const
{
    if (empty())
        return Error{EBADF, "no folder is open", ""};
    if (m_lost)
        return Error{ESTALE,
                     "the " + std::string(walk) + " lost its place: a folder was moved or replaced meanwhile",
                     path};
    return {};
}

} // namespace dustrel::posix
