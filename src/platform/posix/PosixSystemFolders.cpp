#include "platform/posix/PosixSystemFolders.h"

#include "platform/posix/XdgPaths.h"

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
        struct stat st {};
        if (stat(tmpdir, &st) == 0 && S_ISDIR(st.st_mode))
            path = tmpdir;
    }
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (path.back() != '/')
        path += '/';
    return path;
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

} // namespace dustrel::posix
