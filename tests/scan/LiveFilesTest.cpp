#include "scan/LiveFiles.h"

#include "support/ScanFixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel {
namespace {

using Strings = std::vector<std::string>;
using std::chrono::hours;

constexpr std::size_t kTmp = 2;

// Drive C holds the temporary folder, ticked, and one file outside it; both rules that reach a file of
// the temporary folder (its own listing, the file type during the walk) are asked.
struct TempDrive : test::ScanFixture
{
    explicit TempDrive(long long minAgeHours)
    {
        addDrive('C', "c");
        setSpecialFolder(0, temp.makeFolder("c/tmp"));
        tickRule(kTmp);
        state.choices.setTempMinAgeHours(minAgeHours);
    }

    void setTimes(const std::string& path, std::chrono::system_clock::time_point accessed,
                  std::chrono::system_clock::time_point modified)
    {
        using std::chrono::system_clock;
        const timespec times[2] = {{system_clock::to_time_t(accessed), 0},
                                   {system_clock::to_time_t(modified), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
};

TEST(LiveFiles, AFileOfTheTemporaryFolderIsRubbishOnlyWhenLeftAloneForTheChosenHours)
{
    // Times are relative to when the files are made, which is also their status-change time.
    const struct
    {
        long long minAge;
        hours clockAhead, modifiedAgo, accessedAgo;
        bool listed;
    } cases[] = {
        {24, hours(25), hours(0), hours(0), true},    {24, hours(23), hours(48), hours(48), false},
        {24, hours(0), hours(48), hours(48), false},  {24, hours(25), hours(-2), hours(0), false},
        {24, hours(25), hours(0), hours(-2), false},  {48, hours(25), hours(0), hours(0), false},
        {0, hours(0), hours(-5), hours(-5), true},    {1, hours(2), hours(0), hours(0), true},
        {24, hours(-1), hours(48), hours(48), false}, // the clock before the file: not old
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.minAge << "h, clock +" << c.clockAhead.count() << "h");
        TempDrive drive(c.minAge);
        const auto made = std::chrono::system_clock::now();
        for (const char* file : {"c/tmp/a.tmp", "c/tmp/sub/b.tmp", "c/tmp/any.dat", "c/out.tmp"})
            drive.setTimes(drive.file(file), made - c.accessedAgo, made - c.modifiedAgo);
        drive.fake.clock.time = made + c.clockAhead;

        drive.search();

        const Strings all = {"c/out.tmp", "c/tmp/sub/b.tmp", "c/tmp/a.tmp", "c/tmp/any.dat"};
        EXPECT_EQ(drive.rows(), c.listed ? all : Strings{"c/out.tmp"});
    }
}

TEST(LiveFiles, PathsTheSystemKeepsAndLocksOfOpenDocumentsAreNeverListed)
{
    TempDrive drive(0);
    const std::string tmp = drive.temp / "c/tmp";
    drive.fake.folders.keptLines =
        "x " + tmp + "/private-*\nr! " + tmp + "/.X[0-9]*-lock\nX " + drive.temp / "c\n";
    drive.files({"c/tmp/.X0-lock", "c/tmp/.X0-lock.tmp", "c/tmp/private-1/in.tmp", "c/tmp/private.tmp",
                 "c/tmp/doc.odt", "c/tmp/.~lock.doc.odt#", "c/tmp/.~lock.gone.odt#", "c/out.tmp"});
    const int document = open((tmp + "/doc.odt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(document, 0);

    drive.search();
    const Strings listed = {"c/out.tmp", "c/tmp/.X0-lock.tmp", "c/tmp/.~lock.gone.odt#", "c/tmp/doc.odt",
                            "c/tmp/private.tmp"};
    EXPECT_EQ(drive.rows(), listed);

    close(document);
    drive.search();
    Strings closed = listed;
    closed.insert(closed.begin() + 2, "c/tmp/.~lock.doc.odt#");
    EXPECT_EQ(drive.rows(), closed);
}

} // namespace
} // namespace dustrel
