#include "support/FileSystemTestSupport.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dustrel::test {

namespace {

bool hasNoCapabilities()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("CapEff:", 0) == 0)
            return line.find_first_not_of("0\t ", 7) == std::string::npos;
    return false;
}

} // namespace

int runInChild(const std::function<int()>& work)
{
    const pid_t pid = fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork: " << std::strerror(errno);
        return -1;
    }
    if (pid == 0)
        _exit(work());
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool mountDeadFileSystem(const std::string& folder)
{
    const int fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    const std::string options = "fd=" + std::to_string(fuse) + ",rootmode=40000,user_id=0,group_id=0";
    return fuse >= 0 && unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("dead", folder.c_str(), "fuse.dead", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

int runAsNobody(const std::function<int()>& work)
{
    return runInChild([&] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            return kCannotDropPrivileges;
        if (geteuid() == 0 || getuid() == 0 || !hasNoCapabilities())
            return kStillPrivileged;
        return work();
    });
}

posix::UniqueFd makeChain(const std::string& root, const std::string& name, std::size_t depth,
                          const std::function<void(int folder, std::size_t level)>& atLevel)
{
    posix::UniqueFd fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t i = 0; i < depth && fd; ++i) {
        if (mkdirat(fd.get(), name.c_str(), 0755) != 0 && errno != EEXIST)
            ADD_FAILURE() << "mkdirat at level " << i << ": " << std::strerror(errno);
        fd = posix::UniqueFd(openat(fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd && atLevel)
            atLevel(fd.get(), i + 1);
    }
    if (!fd)
        ADD_FAILURE() << "cannot build a chain of " << depth << " folders below " << root;
    return fd;
}

void removeChain(const std::string& root, const std::string& name, std::size_t depth)
{
    posix::UniqueFd fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::size_t reached = 0;
    for (; reached < depth && fd; ++reached) {
        posix::UniqueFd next(openat(fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!next)
            break;
        fd = std::move(next);
    }
    for (; reached > 0 && fd; --reached) {
        if (DIR* dir = fdopendir(fcntl(fd.get(), F_DUPFD_CLOEXEC, 0))) {
            while (dirent* entry = readdir(dir))
                if (entry->d_type != DT_DIR)
                    unlinkat(fd.get(), entry->d_name, 0);
            closedir(dir);
        }
        posix::UniqueFd parent(openat(fd.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (parent)
            unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR);
        fd = std::move(parent);
    }
}

} // namespace dustrel::test
