#include "platform/posix/session/PosixSystemFolders.h"

#include "base/Text.h"
#include "platform/posix/session/TmpfilesRules.h"
#include "platform/posix/session/XdgPaths.h"
#include "platform/posix/trash/TrashRules.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

std::string PosixSystemFolders::windowsDirectory()
{
    return homeFolder();
}

std::string PosixSystemFolders::tempPath()
{
    std::string path = "/tmp";
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && tmpdir[0] != '\0') {
        struct stat st
        {
        };
        if (stat(tmpdir, &st) == 0 && S_ISDIR(st.st_mode))
            path = tmpdir;
    }
    return withOneTrailingSeparator(path, '/');
}

std::string PosixSystemFolders::currentDirectory()
{
    std::string buffer(4096, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(buffer.find('\0'));
            return buffer;
        }
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string PosixSystemFolders::userStateFolder()
{
    const std::string folder = stateHome();
    // Without a home folder that would be "/.local/state", a folder at the root and nobody's own.
    return folder.rfind("/.local/", 0) == 0 ? std::string() : folder;
}

std::string PosixSystemFolders::installedFolder()
{
    std::string executable(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", executable.data(), executable.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= executable.size())
        return {};
    executable.resize(static_cast<std::size_t>(length));
    return installedFolderOf(executable);
}

std::vector<std::string> PosixSystemFolders::trashFolders()
{
    const auto rules = TrashRules::fromSystem();
    return rules ? allTrashFolders(*rules, userHomes()) : std::vector<std::string>();
}

std::unique_ptr<KeptPaths> PosixSystemFolders::keptPaths()
{
    return std::make_unique<TmpfilesRules>(readTmpfilesRules(tmpfilesFolders(), tmpfilesSpecifiers()));
}

std::string installedFolderOf(const std::string& executable)
{
    const std::size_t slash = executable.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return {};
    const std::string binFolder = executable.substr(0, slash);
    const std::size_t parent = binFolder.rfind('/');
    if (parent == std::string::npos)
        return {};
    // The layout `cmake --install` and the package both give: PREFIX/bin and PREFIX/share/dustrel.
    const std::string folder = binFolder.substr(0, parent) + "/share/dustrel";
    struct stat st
    {
    };
    if (stat((folder + "/DUSTREL.HTML").c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return folder;
}

} // namespace dustrel::posix
