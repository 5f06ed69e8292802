#pragma once

#include "platform/Drives.h"
#include "platform/posix/drives/DriveMap.h"

#include <chrono>
#include <set>
#include <string>
#include <string_view>

namespace dustrel::posix {

// The drives of the machine through a drive map: the kind of each drive from its file system and the
// block device's removable flag, the sizes from statvfs.
//
// A file system whose server or daemon stopped answering makes statvfs wait for ever, and nothing can
// interrupt it. A drive whose link could not be followed in time is not asked at all; for the others the
// size query runs in a child process that the program stops waiting for after
// `sizeQueryLimit`: such a drive is then of unknown size, and the child ends whenever the call returns.
class PosixDrives : public Drives
{
public:
    static constexpr std::chrono::milliseconds kSizeQueryLimit{3000};

    // `sysfsRoot` is where sysfs is mounted ("/sys"); tests give a folder that mimics its layout.
    explicit PosixDrives(DriveMap map, std::string sysfsRoot = "/sys",
                         std::chrono::milliseconds sizeQueryLimit = kSizeQueryLimit);

    DriveType driveType(char letter) override;
    std::optional<DiskSpace> diskFreeSpace(char letter) override;
    std::string rootPath(char letter) override;
    char currentDrive() override;
    bool unreachable(char letter) override;

    const DriveMap& map() const { return m_map; }

private:
    bool isRemovable(unsigned major, unsigned minor) const;

    DriveMap m_map;
    std::string m_sysfsRoot;
    std::chrono::milliseconds m_sizeQueryLimit;
    std::set<char> m_unanswered; // letters whose size query ran out of time
};

// The drive type that a file system's type alone decides; Fixed when it decides nothing.
DriveType driveTypeOfFileSystem(std::string_view fsType);

} // namespace dustrel::posix
