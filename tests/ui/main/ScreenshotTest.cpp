// Pictures of the main window on each tab after a search, and of its two dialogs, written as PNG files
// into the folder named by DUSTREL_SCREENSHOTS (skipped when it is not set), for a person to look at.

#include "support/UiWorld.h"
#include "ui/common/ChoiceBox.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/Menu.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace dustrel;
using namespace dustrel::test;

class ScreenshotTest : public QObject
{
    Q_OBJECT

private:
    QDir m_folder;

    void save(QWidget& widget, const QString& name)
    {
        QCoreApplication::processEvents();
        const QString path = m_folder.filePath(name + QStringLiteral(".png"));
        QVERIFY2(widget.grab().save(path), qPrintable(path));
        qInfo("wrote %s", qPrintable(path));
    }

private slots:
    void initTestCase()
    {
        const QString folder = qEnvironmentVariable("DUSTREL_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("DUSTREL_SCREENSHOTS names no folder");
        QVERIFY(QDir().mkpath(folder));
        m_folder = QDir(folder);
    }

    void mainWindowOnEachTab()
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
            save(menu, QStringLiteral("menu-%1-%2").arg(tab).arg(QString::fromLatin1(names[tab])));
        }

        menu.SSTab1()->setCurrentIndex(0);
        menu.resize(1000, 720);
        save(menu, QStringLiteral("menu-wide"));

        menu.setDialogRunner([&](QDialog& dialog) {
            dialog.show();
            if (auto* ignore = qobject_cast<Ignore*>(&dialog)) {
                ignore->File1()->setCurrentRow(0);
                save(dialog, QStringLiteral("dialog-ignore"));
            } else if (auto* custom = qobject_cast<CustomType*>(&dialog)) {
                QTest::keyClicks(custom->Text1(), QStringLiteral("*.jnk"));
                save(dialog, QStringLiteral("dialog-custom-type"));
            }
            dialog.reject();
            return dialog.result();
        });
        menu.SSTab1()->setCurrentIndex(3);
        world.state.choices.setFileState(2, CheckState::Ticked);
        menu.commandButton(4)->click();
        menu.commandButton(6)->click();
    }
};

int runScreenshots(int argc, char** argv)
{
    ScreenshotTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScreenshotTest.moc"
