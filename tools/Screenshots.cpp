// Pictures of every window over a made-up search, written as PNG files into the folder named on the
// command line for a person to look at. Not a test: nothing is checked.
// Usage: dustrel-screenshots FOLDER

#include "support/UiWorld.h"
#include "ui/about/About.h"
#include "ui/about/Splash.h"
#include "ui/common/ChoiceBox.h"
#include "ui/diagnostics/DebugFrm.h"
#include "ui/diagnostics/Spy_frm.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/Menu.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>

using namespace dustrel;
using namespace dustrel::test;

namespace {

struct Pictures
{
    QDir folder;
    bool failed = false;

    void save(QWidget& widget, const QString& name)
    {
        QCoreApplication::processEvents();
        const QString path = folder.filePath(name + QStringLiteral(".png"));
        if (!widget.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            failed = true;
            return;
        }
        std::printf("wrote %s\n", qPrintable(path));
    }
};

void mainWindowOnEachTab(Pictures& pictures)
{
    UiWorld world;
    world.addDrive('D');
    world.addDrive('F', DriveType::Remote);
    world.findDrives();
    world.state.DIRECTORIES[0] = world.temp / "tmp";
    world.state.choices.setDirToolTip(0, world.state.DIRECTORIES[0]);
    world.state.choices.setDirState(0, CheckState::Ticked);
    for (std::size_t k = 1; k < kSpecialFolderCount; ++k)
        world.state.choices.setDirEnabled(k, k != 2);
    for (std::size_t i : {0u, 2u, 3u, 6u, 9u, 13u, 18u})
        world.state.choices.setFileState(i, CheckState::Ticked);
    world.state.CSTM_TBL.setPatterns({"*.JNK", "*.OLD2"});
    world.state.IGN_TBL.setEntries({world.drive + "home/KEEP.TMP", world.drive + "projects/build.log"});

    world.file("C/AUTOEXEC.BAK", std::string(2310, 'a'));
    world.file("C/home/notes.tmp", std::string(48, 'n'));
    world.file("C/home/report.doc.bak", std::string(182'000, 'r'));
    world.file("C/home/.cache/thumbnails/~thumb.db", std::string(5120, 't'));
    world.file("C/projects/demo/build/core.dmp", std::string(1'250'000, 'c'));
    world.file("C/projects/demo/setuplog.txt", std::string(940, 's'));
    world.file("C/projects/demo/~$letter.docx", std::string(162, 'l'));
    world.file("tmp/~DF0001.TMP", "own");
    world.file("tmp/install-1234.tmp", std::string(77'000, 'i'));

    Menu menu(world.state, world.fake.platform);
    menu.setEndProgram([] {});
    menu.show();
    menu.commandButton(1)->click();

    const char* const names[4] = {"type-of-files", "directories", "drives", "advanced"};
    for (int tab = 0; tab < 4; ++tab) {
        menu.SSTab1()->setCurrentIndex(tab);
        pictures.save(menu, QStringLiteral("menu-%1-%2").arg(tab).arg(QString::fromLatin1(names[tab])));
    }

    menu.SSTab1()->setCurrentIndex(0);
    menu.resize(1000, 720);
    pictures.save(menu, QStringLiteral("menu-wide"));

    menu.setDialogRunner([&pictures](QDialog& dialog) {
        dialog.show();
        if (auto* ignore = qobject_cast<Ignore*>(&dialog)) {
            ignore->File1()->setCurrentRow(0);
            pictures.save(dialog, QStringLiteral("dialog-ignore"));
        } else if (auto* custom = qobject_cast<CustomType*>(&dialog)) {
            QTest::keyClicks(custom->Text1(), QStringLiteral("*.jnk"));
            pictures.save(dialog, QStringLiteral("dialog-custom-type"));
        }
        dialog.reject();
        return dialog.result();
    });
    menu.SSTab1()->setCurrentIndex(3);
    world.state.choices.setFileState(2, CheckState::Ticked);
    menu.commandButton(4)->click();
    menu.commandButton(6)->click();
}

void splashAndAbout(Pictures& pictures)
{
    ProgramState state;
    state.NEWLINE = "\n\r";
    state.TAB_CHAR = "\t";
    FakeMessageBoxes messageBoxes;
    Splash splash;
    About about(state, messageBoxes, nullptr);
    splash.show();
    about.show();
    pictures.save(splash, QStringLiteral("splash"));
    pictures.save(about, QStringLiteral("about"));
}

void debugMode(Pictures& pictures)
{
    ProgramState state;
    state.Trace(0, "Sub Main()");
    state.Trace(1, "Command Parameter : /DEBUG");
    Spy_frm spy(state.trace);
    spy.show();
    // What start-up works out on a typical desktop.
    state.WIN_PATH = "/home/bo";
    state.DTR_PATH = "/home/bo/.local/share/dustrel";
    state.TMP_FILE = "/tmp/~DF0001.TMP";
    state.DIRECTORIES = {"/tmp", "/home/bo/.local/share/RecentDocuments", "",
                         "/home/bo/.cache/mozilla/firefox/q1.default-release/cache2/entries",
                         "/home/bo/.cache/chromium/Default/Cache/Cache_Data"};
    for (char letter : {'C', 'D', 'E'}) {
        DriveEntry entry;
        entry.letter = letter;
        entry.description = std::string(1, letter) + ": - 10.5 GB (100.2 MB Free)";
        state.choices.addDrive(entry);
    }
    state.DRIVES_NB = 3;
    state.Trace(1, "Sub InitPublicVariables()");
    state.Trace(2, "WIN_PATH = " + state.WIN_PATH);
    DebugFrm debug(state, &spy, [] {});
    debug.show();
    debug.Timer1_Timer();
    pictures.save(spy, QStringLiteral("spy-watcher"));
    pictures.save(debug, QStringLiteral("debug-window"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }
    Pictures pictures{QDir(QString::fromLocal8Bit(argv[1]))};
    mainWindowOnEachTab(pictures);
    splashAndAbout(pictures);
    debugMode(pictures);
    return pictures.failed ? EXIT_FAILURE : EXIT_SUCCESS;
}
