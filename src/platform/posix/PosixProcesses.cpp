#include "platform/posix/PosixProcesses.h"

#include "base/Text.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace dustrel::posix {

std::string findCommand(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    if (path == nullptr)
        return {};
    std::string_view folders(path);
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty())
            continue;
        std::string candidate = std::string(folder) + "/" + name;
        struct stat st
        {
        };
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

Result<void> PosixProcesses::openTextFile(const std::string& path)
{
    return startOpener(path, path);
}

Result<void> PosixProcesses::openPageAt(const std::string& path, std::string_view anchor)
{
    return startOpener("file://" + percentEncodePath(path) + "#" + percentEncodePath(anchor), path);
}

Result<void> PosixProcesses::startOpener(const std::string& target, const std::string& path)
{
    // A shell starts the opener in the background and ends at once, so the viewer outlives the program,
    // nothing is left to reap, and the path reaches the opener as one argument whatever bytes it holds.
    const char* argv[] = {"/bin/sh",      "-c",           "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &",
                          "dustrel-open", target.c_str(), nullptr};
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t shell = 0;
    const int rc =
        posix_spawn(&shell, "/bin/sh", nullptr, &attributes, const_cast<char* const*>(argv), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        return systemError(rc, path);
    int status = 0;
    while (waitpid(shell, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Error{0, "the desktop's file opener could not be started", path};
    return {};
}

} // namespace dustrel::posix
