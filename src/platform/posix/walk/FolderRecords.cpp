#include "platform/posix/walk/FolderRecords.h"

#include "platform/posix/walk/PosixFileSystem.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::posix {

int readFolderRecords(int folder, char* buffer, FolderContents& out, const std::atomic<bool>* stop,
                      std::uint64_t* self)
{
    out.clear();
    if (self != nullptr)
        *self = 0;
    for (;;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            out.clear();
            return ECANCELED;
        }
        const ssize_t got = getdents64(folder, buffer, kFolderBufferSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            out.clear();
            return code;
        }
        if (got == 0)
            return 0;
        // Records are read field by field: the buffer is only bytes to this program.
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const char* record = buffer + at;
            unsigned short length = 0;
            std::memcpy(&length, record + offsetof(struct dirent64, d_reclen), sizeof length);
            const auto kind = static_cast<unsigned char>(record[offsetof(struct dirent64, d_type)]);
            const char* name = record + offsetof(struct dirent64, d_name);
            const std::size_t nameLength = strnlen(name, length - offsetof(struct dirent64, d_name));
            at += length;
            if (name[0] == '.' && (nameLength == 1 || (nameLength == 2 && name[1] == '.'))) {
                if (nameLength == 1 && self != nullptr)
                    std::memcpy(self, record + offsetof(struct dirent64, d_ino), sizeof *self);
                continue;
            }
            EntryType type = entryTypeFromDirent(kind);
            if (type == EntryType::Unknown) {
                // Some file systems do not say; ask, without following a link. An entry that vanished in
                // between stays Unknown.
                struct stat st
                {
                };
                if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = entryTypeFromMode(st.st_mode);
            }
            out.add(std::string_view(name, nameLength), type);
        }
    }
}

std::uint64_t diskReadsOfThisThread()
{
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) != 0)
        return 0;
    return static_cast<std::uint64_t>(usage.ru_inblock);
}

std::uint64_t waitsOfThisThread()
{
    rusage usage{};
    if (getrusage(RUSAGE_THREAD, &usage) != 0)
        return 0;
    return static_cast<std::uint64_t>(usage.ru_inblock) + static_cast<std::uint64_t>(usage.ru_nvcsw);
}

} // namespace dustrel::posix
