#include "platform/posix/OpenFilesScanner.h"

#include "platform/posix/DirStream.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace dustrel::posix {

namespace {

bool isNumber(std::string_view name)
{
    return !name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos;
}

// A process that ended while it was read, or one this user may not inspect: passed over. Any other
// failure (out of descriptors or memory) leaves its open files unknown.
bool passedOver(int code)
{
    return code == ENOENT || code == ESRCH || code == EACCES || code == EPERM;
}

// A folder opened relative to another and read through a stream that owns its descriptor; errno says why
// when there is none.
DirStream openFolderStream(int at, const char* name)
{
    UniqueFd fd(openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return {};
    DirStream dir(fdopendir(fd.get()));
    if (dir)
        fd.release();
    return dir;
}

// The regular files one process holds; false when they could not all be read.
bool addProcessFiles(int proc, const char* process, OpenFiles& files)
{
    const std::string fdFolder = std::string(process) + "/fd";
    const DirStream descriptors = openFolderStream(proc, fdFolder.c_str());
    if (!descriptors)
        return passedOver(errno);
    errno = 0;
    while (const dirent* descriptor = readdir(descriptors.get())) {
        if (!isNumber(descriptor->d_name))
            continue;
        // Following the link reaches the open file itself, even when its name was deleted or
        // replaced; stat never opens it, so FIFOs and devices cost nothing. A descriptor closed
        // meanwhile holds nothing.
        struct stat st
        {
        };
        if (fstatat(dirfd(descriptors.get()), descriptor->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
            files.add(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
        errno = 0;
    }
    return errno == 0 || passedOver(errno);
}

} // namespace

OpenFiles OpenFilesScanner::scan() const
{
    OpenFiles files;
    const DirStream proc = openFolderStream(AT_FDCWD, m_procRoot.c_str());
    if (!proc) {
        files.markIncomplete();
        return files;
    }
    errno = 0;
    while (const dirent* process = readdir(proc.get())) {
        if (isNumber(process->d_name) && !addProcessFiles(dirfd(proc.get()), process->d_name, files))
            files.markIncomplete();
        errno = 0;
    }
    if (errno != 0)
        files.markIncomplete();
    return files;
}

} // namespace dustrel::posix
