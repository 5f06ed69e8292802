#pragma once

#include "platform/Drives.h"
#include "platform/posix/DriveMap.h"

#include <string>
#include <string_view>

namespace dustrel::posix {

// The drives of the machine through a drive map: the kind of each drive from its file system and the
// block device's removable flag, the sizes from statvfs.
class PosixDrives : public Drives
{
public:
    // `sysfsRoot` is where sysfs is mounted ("/sys"); tests give a folder that mimics its layout.
    explicit PosixDrives(DriveMap map, std::string sysfsRoot = "/sys");

    DriveType driveType(char letter) override;
    std::optional<DiskSpace> diskFreeSpace(char letter) override;
    std::string rootPath(char letter) override;
    char currentDrive() override;

    const DriveMap& map() const { return m_map; }

private:
    bool isRemovable(unsigned major, unsigned minor) const;

    DriveMap m_map;
    std::string m_sysfsRoot;
};

// The drive type that a file system's type alone decides; Fixed when it decides nothing.
DriveType driveTypeOfFileSystem(std::string_view fsType);

} // namespace dustrel::posix
