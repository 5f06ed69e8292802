#include "scan/LiveFiles.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "state/ProgramState.h"

namespace dustrel {

namespace {

constexpr std::size_t kTempFolder = 0;
constexpr std::string_view kLockStart = ".~lock.";
constexpr std::string_view kLockEnd = "#";

} // namespace

LiveFiles::LiveFiles(WorkContext& context)
    : m_fileSystem(context.platform.fileSystem), m_separator(context.platform.pathRules.separator),
      m_system(context.platform.folders.keptPaths()),
      m_minAge(std::chrono::hours(context.state.choices.tempMinAgeHours())),
      m_now(context.platform.clock.now())
{
    const std::string& temp = context.state.DIRECTORIES[kTempFolder];
    if (!temp.empty())
        m_tempFolder = joinPath(withoutTrailingSeparatorsKeepingRoot(temp, m_separator), "", m_separator);
}

bool LiveFiles::keeps(std::string_view folder, std::string_view name, const FileInfo& info,
                      FolderCursor& cursor)
{
    m_path.assign(folder);
    if (m_path.empty() || m_path.back() != m_separator)
        m_path += m_separator;
    m_path += name;
    if (m_system != nullptr && m_system->keeps(m_path))
        return true;
    // Letter case aside, as the program compares its folders: a folder reached under another case is
    // the same folder on a system that ignores case, and keeping too much costs nothing here.
    if (!m_tempFolder.empty() && startsWithIgnoreCase(m_path, m_tempFolder) && recentlyUsed(info))
        return true;
    return locksOpenDocument(name, cursor);
}

bool LiveFiles::recentlyUsed(const FileInfo& info) const
{
    if (m_minAge <= std::chrono::system_clock::duration::zero())
        return false;
    // A time after the search began counts as recent: the file is in use, or its clock cannot be trusted.
    const auto recent = [this](FileTime time) { return m_now - time < m_minAge; };
    return recent(info.modified) || recent(info.changed) || recent(info.accessed);
}

bool LiveFiles::locksOpenDocument(std::string_view name, FolderCursor& cursor)
{
    if (name.size() <= kLockStart.size() + kLockEnd.size() || !name.starts_with(kLockStart) ||
        !name.ends_with(kLockEnd))
        return false;
    const std::string_view document =
        name.substr(kLockStart.size(), name.size() - kLockStart.size() - kLockEnd.size());
    const auto info = cursor.entryInfo(document);
    if (!info)
        return false;
    if (!m_openFiles)
        m_openFiles = m_fileSystem.openFiles();
    return m_openFiles->contains(info->device, info->inode);
}

} // namespace dustrel
