#include "platform/posix/processes/PosixProcesses.h"

#include "base/Text.h"
#include "platform/posix/processes/ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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

Result<void> PosixProcesses::openFolder(const std::string& path)
{
    return startOpener(path, path);
}

Result<void> PosixProcesses::openPageAt(const std::string& path, std::string_view anchor)
{
    return startOpener("file://" + percentEncodePath(path) + "#" + percentEncodePath(anchor), path);
}

namespace {

// Why the opener said no viewer was started, from its exit status (the statuses of xdg-open).
std::string openerFailure(int status)
{
    switch (status) {
    case 2:
        return "the desktop's file opener could not find the file";
    case 3:
        return "no program to show it was found (the desktop's file opener lacks a tool it needs)";
    case 4:
        return "no program could show it (the desktop's file opener failed)";
    case 127:
        return "the desktop's file opener (xdg-open) is not installed";
    default:
        return "the desktop's file opener ended with status " + std::to_string(status);
    }
}

} // namespace

Result<void> PosixProcesses::startOpener(const std::string& target, const std::string& path)
{
    // The opener runs in a session of its own, so the viewer outlives the program and no kill of the
    // waiting shell reaches it, and the path reaches it as one argument whatever bytes it holds. Its exit
    // status comes back on the pipe when it ends within the wait; a viewer that keeps the opener running
    // past it counts as shown.
    const std::string script = "exec setsid -f /bin/sh -c 'xdg-open \"$1\" </dev/null >/dev/null 2>&1; "
                               "echo \"$?\"' dustrel-opener \"$1\"";
    auto child = ChildProcess::spawn({"/bin/sh", "-c", script, "dustrel-open", target});
    if (!child)
        return Error{child.error().code,
                     "the desktop's file opener could not be started: " + child.error().message, path};
    std::string answer;
    const Result<void> finished = child->finish({m_wait, 16}, [&answer](std::string_view piece) {
        answer += piece;
        return Result<void>();
    });
    if (!finished && finished.error().code == ETIMEDOUT)
        return {};
    if (!finished || answer.empty())
        return Error{0,
                     "the desktop's file opener could not be started" +
                         (finished ? std::string() : ": " + finished.error().message),
                     path};
    const int status = std::atoi(answer.c_str());
    if (status != 0)
        return Error{0, openerFailure(status), path};
    return {};
}

} // namespace dustrel::posix
