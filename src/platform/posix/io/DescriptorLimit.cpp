#include "platform/posix/io/DescriptorLimit.h"

#include <algorithm>
#include <sys/resource.h>

namespace dustrel::posix {

namespace {

std::size_t counted(rlim_t value)
{
    return value == RLIM_INFINITY || value > DescriptorLimit::kPlenty ? DescriptorLimit::kPlenty
                                                                      : static_cast<std::size_t>(value);
}

// Each helper holds one descriptor, a copy of the start folder's and up to kHeldPerHelper folders its
// subfolders are opened from; one helper per this many.
constexpr std::size_t kDescriptorsPerHelper = 64;

} // namespace

std::size_t DescriptorLimit::current()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return kPlenty;
    return counted(limit.rlim_cur);
}

std::size_t DescriptorLimit::raise()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return kPlenty;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, kPlenty);
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised{wanted, limit.rlim_max};
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return counted(limit.rlim_cur);
}

std::size_t DescriptorLimit::keptLevels(std::size_t limit)
{
    return std::clamp<std::size_t>(limit / 4, kFewestLevels, kMostLevels);
}

std::size_t DescriptorLimit::readAheadThreads(std::size_t limit, std::size_t wanted)
{
    return std::min(wanted, limit / kDescriptorsPerHelper);
}

} // namespace dustrel::posix
