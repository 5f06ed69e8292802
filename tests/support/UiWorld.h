#pragma once

// What the window tests share: a program state as start-up leaves it, over fake platform services and a
// temporary tree standing for drive C:, and guards that turn a forgotten question or a modal window into a
// failure instead of a hang.

#include "discovery/HardDrives.h"
#include "state/FileTypes.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>

namespace dustrel::test {

struct UiWorld
{
    TempFolder temp;
    FakePlatform fake;
    ProgramState state;
    std::string drive; // the root of C:, with its trailing separator

    UiWorld()
    {
        state.NEWLINE = "\n\r";
        state.TAB_CHAR = "\t";
        InitFileTypes(state);
        drive = temp.makeFolder("C") + "/";
        temp.makeFolder("install");
        temp.makeFolder("tmp");
        fake.drives.drives['C'] = FakeDrive{DriveType::Fixed, DiskSpace{8, 512, 1000, 4000}, drive};
        fake.drives.current = 'C';
        state.WIN_PATH = temp.makeFolder("C/home");
        state.DTR_PATH = temp / "install";
        state.TMP_FILE = temp / "tmp/~DF0001.TMP";
        state.IGN_TBL.reset(state.TMP_FILE);
        fake.folders.windows = state.WIN_PATH;
        fake.folders.temp = temp / "tmp/";
    }

    std::string addDrive(char letter, DriveType type = DriveType::Fixed)
    {
        const std::string root = temp.makeFolder(std::string(1, letter)) + "/";
        fake.drives.drives[letter] = FakeDrive{type, DiskSpace{8, 512, 1000, 4000}, root};
        return root;
    }

    // GetHardDrives as start-up runs it, every drive ticked as the default parameters leave it.
    void findDrives()
    {
        GetHardDrives(state, fake.drives, fake.locale);
        for (std::size_t k = 0; k < state.choices.drives().size(); ++k)
            state.choices.setDriveState(k, CheckState::Ticked);
    }

    // A file under the temporary tree, its folders made as needed.
    std::string file(const std::string& relative, std::string_view content = "x")
    {
        if (const auto slash = relative.rfind('/'); slash != std::string::npos)
            temp.makeFolder(relative.substr(0, slash));
        return temp.writeFile(relative, content);
    }
};

// FakeMessageBoxes reports a question that found no answer through GoogleTest, which no test of this
// executable runs: the count of such reports must not grow during a test.
class QuestionGuard
{
public:
    QuestionGuard() : m_before(reports()) {}
    bool clean() const { return reports() == m_before; }

private:
    static int reports()
    {
        return ::testing::UnitTest::GetInstance()->ad_hoc_test_result().total_part_count();
    }
    int m_before;
};

// A modal window left waiting would block the test forever; this ends the run with a message instead.
class Watchdog
{
public:
    explicit Watchdog(int seconds = 120)
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] {
            qFatal("%s did not finish: a modal window or question was left waiting",
                   QTest::currentTestFunction());
        });
        m_timer.start(seconds * 1000);
    }

private:
    QTimer m_timer;
};

} // namespace dustrel::test
