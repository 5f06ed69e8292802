#include "platform/posix/OpenFilesScanner.h"

#include "platform/posix/DirStream.h"
#include "platform/posix/UniqueFd.h"

#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace dustrel::posix {

namespace {

bool isNumber(std::string_view name)
{
    return !name.empty() && name.find_first_not_of("0123456789") == std::string_view::npos;
}

// A folder opened relative to another and read through a stream that owns its descriptor.
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

} // namespace

OpenFiles OpenFilesScanner::scan() const
{
    OpenFiles files;
    const DirStream proc = openFolderStream(AT_FDCWD, m_procRoot.c_str());
    if (!proc)
        return files;
    while (const dirent* process = readdir(proc.get())) {
        if (!isNumber(process->d_name))
            continue;
        const std::string fdFolder = std::string(process->d_name) + "/fd";
        const DirStream descriptors = openFolderStream(dirfd(proc.get()), fdFolder.c_str());
        if (!descriptors)
            continue;
        while (const dirent* descriptor = readdir(descriptors.get())) {
            if (!isNumber(descriptor->d_name))
                continue;
            // Following the link reaches the open file itself, even when its name was deleted or
            // replaced; stat never opens it, so FIFOs and devices cost nothing.
            struct stat st
            {
            };
            if (fstatat(dirfd(descriptors.get()), descriptor->d_name, &st, 0) == 0 && S_ISREG(st.st_mode))
                files.add(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
        }
    }
    return files;
}

} // namespace dustrel::posix
