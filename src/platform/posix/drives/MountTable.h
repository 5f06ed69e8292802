#pragma once

#include "base/Text.h"

#include <string>
#include <string_view>
#include <vector>

namespace dustrel::posix {

// One line of the kernel's mount list.
struct MountEntry
{
    unsigned major = 0; // device numbers; major 0 is a file system without a block device
    unsigned minor = 0;
    std::string root;       // the folder of the file system that is mounted, unescaped
    std::string mountPoint; // where it is mounted, unescaped; always absolute
    std::string fsType;     // "ext4", "nfs4", "fuse.sshfs"
    std::string source;     // "/dev/sda1", "server:/export"; may be empty
};

// The mounts of the process, as listed by /proc/self/mountinfo, in the order of the list.
class MountTable
{
public:
    MountTable() = default;

    // Lines that do not have the shape of a mount line are passed over: the list is read by a program
    // that must not stop on a kernel or container that writes something unexpected.
    static MountTable parse(std::string_view text);

    const std::vector<MountEntry>& entries() const { return m_entries; }

    // The mount that holds an absolute path: the one whose mount point is its longest leading part,
    // compared folder by folder. Of several mounts on one mount point the last one listed is the one
    // the path reaches. Null when nothing holds it.
    const MountEntry* holder(std::string_view path) const;

private:
    std::vector<MountEntry> m_entries;
};

// The mount point and root fields escape blank, tab, new line and backslash as "\" and three octal
// digits; this undoes any such escape and leaves other backslashes as they are.
std::string unescapeMountField(std::string_view field);

} // namespace dustrel::posix
