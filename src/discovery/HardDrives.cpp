#include "discovery/HardDrives.h"

#include "state/Format.h"
#include "state/ProgramState.h"

namespace dustrel {

namespace {

float megabytes(std::uint64_t clusters, std::uint64_t bytesPerCluster)
{
    return static_cast<float>(static_cast<double>(clusters) / 1048576.0 *
                              static_cast<double>(bytesPerCluster));
}

} // namespace

std::string SizeText(float megabytes, const NumberFormat& format)
{
    if (megabytes <= 1000.0f)
        return formatOneDecimal(static_cast<double>(megabytes), format) + " MB";
    return formatOneDecimal(static_cast<double>(megabytes) / 1024.0, format) + " GB";
}

std::string DriveDescription(char letter, const std::optional<DiskSpace>& space, const NumberFormat& format)
{
    std::string description{letter};
    description += ": - ";
    if (!space) {
        description += "size unknown";
        return description;
    }
    const std::uint64_t bytesPerCluster = space->bytesPerSector * space->sectorsPerCluster;
    description += SizeText(megabytes(space->totalClusters, bytesPerCluster), format);
    description += " (" + SizeText(megabytes(space->freeClusters, bytesPerCluster), format) + " Free)";
    return description;
}

void GetHardDrives(ProgramState& state, Drives& drives, Locale& locale)
{
    state.Trace(1, "");
    state.Trace(1, "Sub GetHardDrives()");
    state.DRIVES_NB = 0;
    const NumberFormat format = locale.numberFormat();
    const char current = drives.currentDrive();

    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const DriveType type = drives.driveType(letter);
        const bool listed = type == DriveType::Fixed || (type == DriveType::NoRootDir && letter == current) ||
                            drives.driveType(letter) == DriveType::Remote;
        if (!listed)
            continue;
        // Twenty drives fill both columns; the rest are not offered.
        if (state.DRIVES_NB >= kMaxDrives)
            break;

        DriveEntry entry;
        entry.letter = letter;
        entry.network = type == DriveType::Remote;
        entry.box.caption = std::string("Drive ") + letter + ":";
        if (entry.network)
            entry.box.caption += " [Network drive]";
        entry.description = DriveDescription(letter, drives.diskFreeSpace(letter), format);
        entry.box.toolTip = entry.description;
        entry.root = drives.rootPath(letter);
        entry.unreachable = drives.unreachable(letter);

        state.Trace(2, "Found Drive " + entry.description);
        state.choices.addDrive(std::move(entry));
        ++state.DRIVES_NB;
    }

    state.Trace(1, "End Sub GetHardDrives()");
}

} // namespace dustrel
