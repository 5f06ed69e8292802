#include "discovery/HardDrives.h"

#include "state/ProgramState.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using test::FakeDrive;
using test::FakeDrives;
using test::FakeLocale;

DiskSpace megabytes(std::uint64_t total, std::uint64_t free)
{
    // 4 KiB clusters: 256 clusters per MB.
    return DiskSpace{8, 512, free * 256, total * 256};
}

TEST(GetHardDrives, ListsFixedAndNetworkDrivesInLetterOrderWithCaptionsAndSizes)
{
    FakeDrives drives;
    FakeLocale locale;
    drives.drives['C'] = FakeDrive{DriveType::Fixed, megabytes(2048, 300), "/"};
    drives.drives['D'] = FakeDrive{DriveType::Fixed, megabytes(1000, 1001), "/home/"};
    drives.drives['E'] = FakeDrive{DriveType::CdRom, megabytes(600, 0), "/media/cd/"};
    drives.drives['F'] = FakeDrive{DriveType::Remote, std::nullopt, "/net/"};
    drives.drives['G'] = FakeDrive{DriveType::Removable, megabytes(10, 1), "/media/usb/"};
    drives.drives['R'] = FakeDrive{DriveType::RamDisk, megabytes(10, 1), "/run/"};
    ProgramState state;
    GetHardDrives(state, drives, locale);

    ASSERT_EQ(state.DRIVES_NB, 3);
    const auto& entries = state.choices.drives();
    EXPECT_EQ(entries[0].box.caption, "Drive C:");
    EXPECT_EQ(entries[0].box.toolTip, "C: - 2.0 GB (300.0 MB Free)");
    EXPECT_EQ(entries[1].description, "D: - 1,000.0 MB (1.0 GB Free)");
    EXPECT_EQ(entries[2].box.caption, "Drive F: [Network drive]");
    EXPECT_TRUE(entries[2].network);
    EXPECT_FALSE(entries[1].network);
    EXPECT_EQ(state.trace.text(), "     \r\n"
                                  "     --> Sub GetHardDrives()\r\n"
                                  "          --> Found Drive C: - 2.0 GB (300.0 MB Free)\r\n"
                                  "          --> Found Drive D: - 1,000.0 MB (1.0 GB Free)\r\n"
                                  "          --> Found Drive F: - size unknown\r\n"
                                  "     --> End Sub GetHardDrives()\r\n");
}

TEST(GetHardDrives, StopsAtTwentyDrivesWithoutLookingFurther)
{
    FakeDrives drives;
    FakeLocale locale;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        drives.drives[letter] = FakeDrive{DriveType::Fixed, megabytes(1, 1), "/x/"};
    ProgramState state;
    GetHardDrives(state, drives, locale);
    EXPECT_EQ(state.DRIVES_NB, 20);
    EXPECT_EQ(state.choices.drives().back().letter, 'T');
    EXPECT_EQ(drives.typeQueries.back(), 'U') << "the 21st drive ends the scan";
}

TEST(GetHardDrives, SizeTextSwitchesToGigabytesAbove1000Megabytes)
{
    const NumberFormat format;
    EXPECT_EQ(SizeText(1000.0f, format), "1,000.0 MB");
    EXPECT_EQ(SizeText(1000.1f, format), "1.0 GB");
    EXPECT_EQ(SizeText(0.0f, format), "0.0 MB");
    EXPECT_EQ(SizeText(4.0f * 1024 * 1024, format), "4,096.0 GB") << "a 4 TB drive";
    // Counts beyond 32 bits: a 16 TB drive with 4 KiB clusters.
    EXPECT_EQ(DriveDescription('C', DiskSpace{1, 4096, 1ull << 31, 1ull << 32}, format),
              "C: - 16,384.0 GB (8,192.0 GB Free)");
}

} // namespace
} // namespace dustrel
