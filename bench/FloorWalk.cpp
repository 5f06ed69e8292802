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

// One walk: the folders open from the root down to the current one, and the subfolders still to visit.
class FloorWalker
{
public:
    explicit FloorWalker(bool statFiles)
        : m_buffer(std::make_unique<char[]>(kBufferSize)), m_statFiles(statFiles)
    {}

    WalkFigures walk(const std::string& root)
    {
        const auto start = std::chrono::steady_clock::now();
        posix::UniqueFd rootFd(open(root.c_str(), kFolderFlags));
        if (!rootFd) {
            m_figures.complete = false;
            return m_figures;
        }
        read(std::move(rootFd));
        while (!m_stack.empty()) {
            Open& top = m_stack.back();
            if (top.next == top.end) {
                m_subfolders.resize(top.first);
                m_names.resize(top.namesEnd);
                m_stack.pop_back();
                continue;
            }
            const char* name = m_names.data() + m_subfolders[top.next++];
            posix::UniqueFd fd(openat(top.fd.get(), name, kFolderFlags));
            if (!fd) {
                m_figures.complete = false;
                continue;
            }
            read(std::move(fd));
        }
        m_figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return m_figures;
    }

private:
    // Reads one folder; its subfolders go on the lists and the folder on the stack.
    void read(posix::UniqueFd fd)
    {
        ++m_figures.folders;
        const std::size_t namesEnd = m_names.size();
        const std::size_t first = m_subfolders.size();
        for (;;) {
            const ssize_t got = getdents64(fd.get(), m_buffer.get(), kBufferSize);
            if (got <= 0) {
                if (got < 0)
                    m_figures.complete = false;
                break;
            }
            for (std::size_t at = 0; at < static_cast<std::size_t>(got);)
                at += take(fd.get(), m_buffer.get() + at);
        }
        m_stack.push_back(Open{std::move(fd), first, first, m_subfolders.size(), namesEnd});
    }

    // One record of the folder `folder`; returns its length.
    std::size_t take(int folder, const char* record)
    {
        unsigned short length = 0;
        std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
        const auto type = static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)]);
        const char* name = record + offsetof(struct dirent64, d_name);
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            return length;
        if (type == DT_DIR) {
            m_subfolders.push_back(m_names.size());
            m_names.append(name);
            m_names.push_back('\0');
        } else {
            ++m_figures.files;
            struct stat st
            {
            };
            if (m_statFiles)
                fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW);
        }
        return length;
    }

    std::unique_ptr<char[]> m_buffer;
    bool m_statFiles;
    WalkFigures m_figures;
    std::string m_names;                   // subfolder names, NUL-terminated, back to back
    std::vector<std::size_t> m_subfolders; // their offsets in m_names
    std::vector<Open> m_stack;
};

} // namespace

WalkFigures FloorWalk(const std::string& root, bool statFiles)
{
    return FloorWalker(statFiles).walk(root);
}

} // namespace dustrel::bench
