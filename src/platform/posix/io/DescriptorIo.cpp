#include "platform/posix/io/DescriptorIo.h"

#include <cerrno>
#include <unistd.h>

namespace dustrel::posix {

Result<std::string> readToEnd(int fd, std::size_t limit, const std::string& path)
{
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, path);
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<std::size_t>(n) > limit)
            return Error{EFBIG, "file too large", path};
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return content;
}

Result<void> writeAll(int fd, std::string_view bytes, const std::string& path)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno, path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

} // namespace dustrel::posix
