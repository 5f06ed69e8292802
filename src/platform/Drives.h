#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace dustrel {

// The kinds of drive the system reports, with the numeric values the Win32 API uses.
enum class DriveType : int
{
    Unknown = 0,
    NoRootDir = 1, // no drive behind the letter
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

struct DiskSpace
{
    std::uint64_t sectorsPerCluster = 0;
    std::uint64_t bytesPerSector = 0;
    std::uint64_t freeClusters = 0;
    std::uint64_t totalClusters = 0;
};

// The drives of the machine, addressed by letter ('A' to 'Z', upper case).
class Drives
{
public:
    virtual ~Drives() = default;

    virtual DriveType driveType(char letter) = 0;

    // Nothing when the drive cannot be measured (no medium, no access).
    virtual std::optional<DiskSpace> diskFreeSpace(char letter) = 0;

    // The folder a walk of the drive starts from, with one trailing separator ("C:\", "/", "/home/");
    // empty when the letter has no drive.
    virtual std::string rootPath(char letter) = 0;

    // The letter of the drive that holds the current folder; 0 when none does.
    virtual char currentDrive() = 0;

    // Whether the drive stopped answering when it was looked up or measured (a share whose server is
    // gone): walking it would wait for ever.
    virtual bool unreachable(char /*letter*/) { return false; }
};

} // namespace dustrel
