#pragma once

#include "platform/posix/drives/BoundedStat.h"
#include "platform/posix/drives/MountTable.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel::posix {

struct MappedDrive
{
    char letter = 0;    // 'A' to 'Z'
    std::string root;   // absolute, with exactly one trailing "/"
    std::string fsType; // type of the file system that holds the root; empty when the mount list lacks it
    unsigned major = 0; // that file system's device
    unsigned minor = 0;
    // Its link leads into a file system that did not answer in time (a share whose server is gone): the
    // root is the link's own target, and anything that touches the drive may wait for ever.
    bool unreachable = false;
};

// Drive letters over the folders of a machine that has none.
//
// When the user keeps a folder of drive links (see the constructor), the letters are exactly those
// links. Otherwise C: is the root file system and D: onwards the other mounted file systems in the byte
// order of their mount points, leaving out the kernel's own interfaces, network and FUSE file systems,
// and file systems that already have a letter through another mount of the same device.
//
// Whatever the sources hold, the map keeps one drive per letter, in letter order, at most 26, and every
// root ends with exactly one "/".
class DriveMap
{
public:
    DriveMap() = default;

    // `mountInfo` is the text of /proc/self/mountinfo; `drivesFolder` the user's folder of drive links
    // ("c:" -> /some/folder), which replaces the mount list when it exists. Each link is followed within
    // `lookupLimit`.
    DriveMap(std::string_view mountInfo, const std::string& drivesFolder,
             std::chrono::milliseconds lookupLimit = kLookupLimit);

    // The machine's own map: /proc/self/mountinfo and <config home>/dustrel/drives.
    static DriveMap fromSystem();

    const std::vector<MappedDrive>& drives() const { return m_drives; }

    // Either letter case; null for a letter without a drive.
    const MappedDrive* find(char letter) const;

    // The letter of the drive whose root is the longest leading part of an absolute path; 0 when none.
    char letterHolding(std::string_view path) const;

    // Whether the drive letters come from the user's folder of links rather than the mount list.
    bool fromLinks() const { return m_fromLinks; }

private:
    bool add(char letter, std::string root, const MountEntry* fileSystem, bool unreachable = false);
    void mapLinks(const std::string& drivesFolder, const MountTable& mounts, std::chrono::milliseconds limit);
    void mapMounts(const MountTable& mounts);

    std::vector<MappedDrive> m_drives;
    bool m_fromLinks = false;
};

// True for the types of file system that are kernel interfaces rather than places that keep files.
bool isPseudoFileSystem(std::string_view fsType);

// True for network file systems and FUSE ones other than local disks ("fuseblk").
bool isRemoteFileSystem(std::string_view fsType);

} // namespace dustrel::posix
