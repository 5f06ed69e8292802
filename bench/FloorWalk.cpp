#include "FloorWalk.h"

#include "platform/posix/io/UniqueFd.h"

#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dustrel::bench {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// A folder whose subfolders are still being visited: its descriptor stays open for their openat.
struct Open
{
    posix::UniqueFd fd;
    std::size_t first; // its subfolders are [first, end) in the list of subfolders, next the one to open
    std::size_t next;
    std::size_t end;
    std::size_t namesEnd; // what the name store held before its subfolders were added
};

} // namespace

WalkFigures FloorWalk(const std::string& root, bool statFiles)
{
    WalkFigures figures;
    const auto start = std::chrono::steady_clock::now();
    const auto buffer = std::make_unique<char[]>(kBufferSize);
    std::string names;                   // subfolder names, NUL-terminated, back to back
    std::vector<std::size_t> subfolders; // their offsets in `names`
    std::vector<Open> stack;

    // Reads one folder; its subfolders go on the lists and the folder on the stack.
    const auto read = [&](posix::UniqueFd fd) {
        ++figures.folders;
        const std::size_t namesEnd = names.size();
        const std::size_t first = subfolders.size();
        for (;;) {
            const ssize_t got = getdents64(fd.get(), buffer.get(), kBufferSize);
            if (got <= 0) {
                if (got < 0)
                    figures.complete = false;
                break;
            }
            for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
                const char* record = buffer.get() + at;
                unsigned short length = 0;
                std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
                const auto type = static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)]);
                const char* name = record + offsetof(struct dirent64, d_name);
                at += length;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                    continue;
                if (type == DT_DIR) {
                    subfolders.push_back(names.size());
                    names.append(name);
                    names.push_back('\0');
                } else {
                    ++figures.files;
                    struct stat st
                    {
                    };
                    if (statFiles)
                        fstatat(fd.get(), name, &st, AT_SYMLINK_NOFOLLOW);
                }
            }
        }
        stack.push_back(Open{std::move(fd), first, first, subfolders.size(), namesEnd});
    };

    posix::UniqueFd rootFd(open(root.c_str(), kFolderFlags));
    if (!rootFd) {
        figures.complete = false;
        return figures;
    }
    read(std::move(rootFd));
    while (!stack.empty()) {
        Open& top = stack.back();
        if (top.next == top.end) {
            subfolders.resize(top.first);
            names.resize(top.namesEnd);
            stack.pop_back();
            continue;
        }
        const char* name = names.data() + subfolders[top.next++];
        posix::UniqueFd fd(openat(top.fd.get(), name, kFolderFlags));
        if (!fd) {
            figures.complete = false;
            continue;
        }
        read(std::move(fd));
    }
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return figures;
}

} // namespace dustrel::bench
