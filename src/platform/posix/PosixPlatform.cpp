#include "platform/posix/PosixPlatform.h"

#include "platform/posix/session/XdgPaths.h"

namespace dustrel::posix {

PosixPlatform::PosixPlatform(MessageBoxes& messageBoxes)
    : m_store(dustrelConfigFolder()), m_registry(m_store),
      m_drives(DriveMap::fromSystem()), m_platform{m_registry, m_fileSystem,  m_drives,
                                                   m_folders,  messageBoxes,  m_clock,
                                                   m_locale,   m_processes,   PathRules::posix(),
                                                   m_packages, m_repositories}
{}

} // namespace dustrel::posix
