// The run modes as the entry starts them, over fake services and a temporary tree: the start-up behind
// the splash window against a clock the test moves on, the trace each mode leaves, the debug mode's two
// windows and the automatic pass.

#include "app/Main.h"
#include "app/QtMessageBoxes.h"
#include "app/QtRunModes.h"
#include "settings/Parameters.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"
#include "support/UiWorld.h"
#include "ui/about/Splash.h"
#include "ui/diagnostics/DebugFrm.h"
#include "ui/diagnostics/Spy_frm.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/Menu.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <unistd.h>

using namespace dustrel;
using namespace dustrel::test;
using namespace std::chrono_literals;

namespace {

// A machine with drive C: in a temporary folder, saved settings that tick every rule, folder and drive,
// and the installation folder beside it.
struct Machine
{
    TempFolder temp;
    FakePlatform fake;
    ProgramState state;

    Machine()
    {
        const std::string drive = temp.makeFolder("C") + "/";
        temp.makeFolder("C/install");
        temp.makeFolder("C/tmp");
        fake.drives.drives['C'] = FakeDrive{DriveType::Fixed, DiskSpace{8, 512, 1000, 4000}, drive};
        fake.drives.current = 'C';
        fake.folders.windows = temp / "C/home";
        fake.folders.temp = temp / "C/tmp/";
        fake.folders.current = temp / "C/install";
        setting("TypeOfFiles", "1111111111111111111");
        setting("Directories", "11111");
        setting("Drives", "1");
        setting("IgnoreNb", "0");
        setting("CustomNb", "0");
        setting("InstallPath", temp / "C/install");
        setting("LogFile", "No");
        setting("SaveParams", "No");
    }

    void setting(std::string_view name, std::string_view value)
    {
        fake.registry.put(RegistryRoot::LocalMachine, kSettingsKey, name, value);
    }

    std::string file(const std::string& relative)
    {
        const auto slash = relative.rfind('/');
        if (slash != std::string::npos)
            temp.makeFolder(relative.substr(0, slash));
        return temp.writeFile(relative, "rubbish");
    }
};

std::vector<std::string> traceLines(const ProgramState& state)
{
    return crlfLines(state.trace.text());
}

std::string joined(const std::vector<std::string>& lines)
{
    std::ostringstream out;
    for (const std::string& line : lines)
        out << '[' << line << "]\n";
    return out.str();
}

// The trace lines of a normal start, by their number in the full trace, as the indentation and the start
// of the text; values after the labels depend on the machine and are not compared.
const std::vector<std::pair<int, std::string>> kFullTrace = {
    {1, "--> Sub Main()"},
    {2, "     --> Command Parameter : "},
    {3, "     "},
    {4, "     --> Sub SplashScreen()"},
    {5, "     "},
    {6, "     --> Sub GetHardDrives()"},
    {7, "          --> Found Drive C: - "},
    {8, "     --> End Sub GetHardDrives()"},
    {9, "     "},
    {10, "     --> Sub InitPublicVariables()"},
    {11, "          --> FILTRE = "},
    {12, "          --> CSTM_TBL() = 0"},
    {13, "          --> WIN_PATH = "},
    {14, "          --> DTR_PATH = "},
    {15, "          --> DIRECTORIES(0) = "},
    {16, "          --> DIRECTORIES(1) = "},
    {17, "          --> DIRECTORIES(2) = "},
    {18, "          --> DIRECTORIES(3) = "},
    {19, "          --> DIRECTORIES(4) = "},
    {20, "          --> TMP_FILE = IGN_TBL(0) = "},
    {21, "     --> End Sub InitPublicVariables()"},
    {22, "     --> End Sub SplashScreen()"},
    {23, "--> End Sub Main()"},
};

// Checks that the trace is made of exactly the given lines of the full trace, in order.
bool traceHolds(const ProgramState& state, const std::vector<int>& numbers, const std::string& parameter = "")
{
    const std::vector<std::string> lines = traceLines(state);
    bool same = lines.size() == numbers.size();
    for (std::size_t i = 0; same && i < numbers.size(); ++i) {
        std::string expected = kFullTrace[static_cast<std::size_t>(numbers[i] - 1)].second;
        if (numbers[i] == 2)
            expected += parameter;
        const bool valueFollows = numbers[i] == 7 || (numbers[i] >= 13 && numbers[i] <= 20);
        same = valueFollows ? lines[i].rfind(expected, 0) == 0 : lines[i] == expected;
    }
    if (!same)
        ADD_FAILURE() << "trace was:\n" << joined(lines);
    return same;
}

std::vector<int> range(int first, int last)
{
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

std::vector<int> concat(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What the windows looked like at one turn of the start-up waits.
struct Moment
{
    std::chrono::milliseconds elapsed;
    bool splashVisible;
    bool splashTopmost;
    bool menuExists;
    bool menuEnabled;
    bool hourglass;
    bool questionsOverSplash;
};

} // namespace

class RunModesTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Watchdog> m_watchdog;

    // Runs Main with the given argument text; the clock moves on by a quarter second per turn of a wait.
    static RunOutcome start(Machine& machine, QtRunModes& modes, std::string_view argument,
                            std::vector<Moment>* moments = nullptr, const QtMessageBoxes* boxes = nullptr)
    {
        std::chrono::milliseconds elapsed{0};
        modes.setWaitHook([&] {
            if (moments != nullptr) {
                const Menu* menu = modes.menu();
                moments->push_back(Moment{
                    elapsed, modes.splash() != nullptr && modes.splash()->isVisible(),
                    modes.splash() != nullptr && modes.splash()->isTopmost(),
                    menu != nullptr && menu->isVisible(), menu != nullptr && menu->isEnabled(),
                    QApplication::overrideCursor() != nullptr &&
                        QApplication::overrideCursor()->shape() == Qt::WaitCursor,
                    boxes != nullptr && modes.splash() != nullptr && boxes->parent() == modes.splash()});
            }
            machine.fake.clock.advance(250ms);
            elapsed += 250ms;
        });
        return Main(machine.state, machine.fake.platform, CommandLine(std::string(argument)), modes);
    }

private slots:
    void init() { m_watchdog = std::make_unique<Watchdog>(); }
    void cleanup() { m_watchdog.reset(); }

    void normalStartShowsTheSplashThenHandsOverAMaximisedWindow()
    {
        for (const bool topmost : {true, false}) {
            Machine machine;
            machine.file("C/junk/OLD.BAK");
            // Only the owner of the boxes is looked at; the questions themselves go to the fake.
            QtMessageBoxes boxes;
            QtRunModes modes(machine.state, machine.fake.platform, {false, &boxes});
            modes.setEndProgram([] {});
            std::vector<Moment> moments;
            const RunOutcome outcome = start(machine, modes, topmost ? "" : "/nosplash", &moments, &boxes);
            QCOMPARE(outcome.next, RunOutcome::Next::RunEventLoop);

            // Splash only until second 2, the main window inert from then until the initialisation is
            // done, the hourglass all the while; the splash is on top only when asked.
            QVERIFY(!moments.empty());
            for (const Moment& moment : moments) {
                const QString at = QStringLiteral("at %1 ms").arg(moment.elapsed.count());
                QVERIFY2(moment.splashVisible, qPrintable(at));
                QVERIFY2(moment.splashTopmost == topmost, qPrintable(at));
                QVERIFY2(moment.hourglass, qPrintable(at));
                // The main window is disabled and the splash on top: a question must not hide under it.
                QVERIFY2(moment.questionsOverSplash, qPrintable(at));
                QVERIFY2(!moment.menuEnabled, qPrintable(at));
                QVERIFY2(moment.menuExists == (moment.elapsed >= 2000ms), qPrintable(at));
            }
            QCOMPARE(moments.back().elapsed, 3750ms);

            QVERIFY(modes.splash() == nullptr);
            Menu* menu = modes.menu();
            QCOMPARE(boxes.parent(), static_cast<QWidget*>(menu));
            QVERIFY(menu->isVisible() && menu->isEnabled());
            QVERIFY(menu->windowState() & Qt::WindowMaximized);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            QVERIFY(!modes.spyWatcher()->isVisible());
            QVERIFY(traceHolds(machine.state, range(1, 23), topmost ? "" : "/nosplash"));
            // The saved choices are on the window.
            QCOMPARE(menu->driveBoxes(), std::size_t{1});
            QCOMPARE(machine.state.choices.drives()[0].box.state, CheckState::Ticked);
        }
    }

    void eachModeLeavesItsOwnTrace()
    {
        {
            Machine machine;
            QtRunModes modes(machine.state, machine.fake.platform, {});
            bool ended = false;
            modes.setEndProgram([&] { ended = true; });
            const RunOutcome outcome = start(machine, modes, "/Debug");
            QCOMPARE(outcome.next, RunOutcome::Next::RunEventLoop);
            QVERIFY(traceHolds(machine.state, concat({{1, 2}, range(5, 21), {23}}), "/Debug"));
            // The trace shows in the spy watcher beside the debug window; nothing else opens.
            QVERIFY(modes.spyWatcher()->isVisible());
            QVERIFY(
                modes.spyWatcher()->Text1()->toPlainText().startsWith(QStringLiteral("--> Sub Main()\n")));
            QVERIFY(modes.debugWindow() != nullptr && modes.debugWindow()->isVisible());
            QVERIFY(modes.menu() == nullptr && modes.splash() == nullptr);
            QVERIFY(QApplication::overrideCursor() == nullptr);
            QVERIFY(!ended);
            modes.debugWindow()->Command1_Click();
            QVERIFY(ended);
        }
        {
            Machine machine;
            machine.fake.messageBoxes.useDefaultWhenUnanswered = true;
            QtRunModes modes(machine.state, machine.fake.platform, {});
            const RunOutcome outcome = start(machine, modes, "/REGINIT");
            QCOMPARE(outcome.next, RunOutcome::Next::EndProgram);
            QVERIFY(traceHolds(machine.state, concat({{1, 2}, range(5, 8)}), "/REGINIT"));
            QVERIFY(modes.menu() == nullptr && !modes.spyWatcher()->isVisible());
        }
    }

    // F1 in a window with a topic of its own opens the help there, at a section the page has; in the main
    // window it stays the Index command.
    void f1OpensTheHelpAtTheTopicOfTheWindowItIsPressedIn()
    {
        const std::string page =
            readWholeFile(std::string(DUSTREL_TEST_DATA) + "/../../resources/install/DUSTREL.HTML");
        for (const char* topic : {"topic-300", "topic-305", "topic-505"})
            QVERIFY2(page.find(std::string("id=\"") + topic + "\"") != std::string::npos, topic);
        const auto pressF1 = [](QWidget* window) {
            window->show();
            window->activateWindow();
            (void)QTest::qWaitForWindowActive(window);
            QTest::keyClick(window->focusWidget() != nullptr ? window->focusWidget() : window, Qt::Key_F1);
            window->hide();
        };
        for (const bool debugMode : {false, true}) {
            Machine machine;
            const std::string help = machine.temp.writeFile("C/install/DUSTREL.HTML", page);
            QtRunModes modes(machine.state, machine.fake.platform, {});
            modes.setEndProgram([] {});
            QCOMPARE(start(machine, modes, debugMode ? "/DEBUG" : "").next, RunOutcome::Next::RunEventLoop);
            std::vector<std::string> expected;
            if (debugMode) {
                pressF1(modes.debugWindow());
                pressF1(modes.spyWatcher());
                expected = {help + "#topic-505", help + "#topic-505"};
            } else {
                Ignore ignore(machine.state, machine.fake.platform, modes.menu());
                CustomType custom(machine.state, machine.fake.messageBoxes, modes.menu());
                pressF1(&ignore);
                pressF1(&custom);
                pressF1(modes.menu());
                expected = {help + "#topic-300", help + "#topic-305", help};
            }
            QCOMPARE(machine.fake.processes.opened, expected);
        }
    }

    void aFirstStartWritesTheDefaults()
    {
        // The installation folder is where the program was installed, wherever the desktop started it;
        // a build run where it was built has none and keeps the current folder.
        for (const std::string installed : {"", "/usr/share/dustrel"}) {
            Machine machine;
            machine.fake.registry = FakeRegistry();
            machine.fake.folders.installed = installed;
            QtRunModes modes(machine.state, machine.fake.platform, {});
            modes.setEndProgram([] {});
            start(machine, modes, "");
            QCOMPARE(machine.fake.registry.get(RegistryRoot::LocalMachine, kSettingsKey, "TypeOfFiles"),
                     std::optional<std::string>("1111111010111011010"));
            const std::string folder = installed.empty() ? machine.temp / "C/install" : installed;
            QCOMPARE(machine.fake.registry.get(RegistryRoot::LocalMachine, kSettingsKey, "InstallPath"),
                     std::optional<std::string>(folder));
            QCOMPARE(machine.state.DTR_PATH, folder); // this run's help page and log too
            QVERIFY(machine.state.choices.files()[0].ticked() && machine.state.choices.optSave());
            QVERIFY(machine.fake.messageBoxes.shown.empty());
        }
        // Choices that cannot be read as saved are shown to the user before any search.
        Machine machine;
        machine.setting("IgnoreNb", "one");
        machine.fake.messageBoxes.useDefaultWhenUnanswered = true;
        QtRunModes modes(machine.state, machine.fake.platform, {});
        modes.setEndProgram([] {});
        start(machine, modes, "");
        QCOMPARE(machine.fake.messageBoxes.shown.size(), std::size_t{1});
        QVERIFY(machine.fake.messageBoxes.shown[0].text.find("IgnoreNb") != std::string::npos);
    }

    void stopDuringTheAutomaticSearchDeletesOnlyWhatWasFound()
    {
        Machine machine;
        const std::string first = machine.file("C/a/FIRST.TMP");
        const std::string later = machine.file("C/b/LATER.TMP");
        QtRunModes modes(machine.state, machine.fake.platform, {true, nullptr});
        bool pressed = false;
        // Stop is pressed while the search is inside C:/a, before it reaches C:/b.
        QObject watcher;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &watcher, [&] {
            if (!pressed && machine.state.SEARCHING && modes.menu() != nullptr &&
                modes.menu()->statusText().find("/C/a") != std::string_view::npos) {
                QTest::mouseClick(modes.menu()->commandButton(2), Qt::LeftButton);
                pressed = true;
            }
        });
        poll.start(0);
        const RunOutcome outcome = start(machine, modes, "/AUTO");
        QVERIFY(pressed);
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(!exists(first));
        QVERIFY(exists(later));
    }

    // A package database that cannot be read completely: the automatic pass deletes nothing and fails,
    // and the window says why in place of a list.
    void anUnreadablePackageDatabaseFailsTheAutomaticPassAndTheWindowSaysWhy()
    {
        for (const std::string argument : {"/AUTO", ""}) {
            Machine machine;
            const std::string rubbish = machine.file("C/a/X.TMP");
            posix::PackageDatabases::Locations locations = noPackageDatabases();
            machine.temp.makeFolder("pacman/theme-1.0-1"); // a package without its list of files
            locations.pacmanLocal = machine.temp / "pacman";
            machine.fake.packages = posix::PackageDatabases(locations);
            machine.fake.messageBoxes.useDefaultWhenUnanswered = true;
            QtRunModes modes(machine.state, machine.fake.platform, {true, nullptr});
            const RunOutcome outcome = start(machine, modes, argument);
            if (argument.empty()) {
                modes.menu()->Command1_Click();
                QCOMPARE(machine.fake.messageBoxes.shown.size(), std::size_t{1});
                QVERIFY(machine.fake.messageBoxes.shown[0].text.find("theme-1.0-1/files") !=
                        std::string::npos);
                QCOMPARE(modes.menu()->results().size(), std::size_t{0});
            } else {
                QCOMPARE(outcome.exitCode, 1);
            }
            QVERIFY(exists(rubbish));
        }
    }
};

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    RunModesTest test;
    const int windows = QTest::qExec(&test, argc, argv);
    // The entry's window-free tests share this executable.
    const int entry = RUN_ALL_TESTS();
    return windows == 0 && entry == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

#include "RunModesTest.moc"
