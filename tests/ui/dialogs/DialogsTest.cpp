// The ignore and custom-type dialogs, opened without a modal loop and driven as a user drives them.

#include "support/UiTestMain.h"
#include "support/UiWorld.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/FolderList.h"
#include "ui/dialogs/Ignore.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>

using namespace dustrel;
using namespace dustrel::test;

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

bool selectFile(Ignore& dialog, const QString& name)
{
    const auto found = dialog.File1()->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    dialog.File1()->setCurrentItem(found.front());
    return true;
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Watchdog> m_watchdog;

private slots:
    void init() { m_watchdog = std::make_unique<Watchdog>(); }
    void cleanup() { m_watchdog.reset(); }

    void ignoreOpensOnTheWindowsFolderWithMatchingFiles()
    {
        UiWorld world;
        for (const char* name :
             {"C/home/A.TMP", "C/home/b.tmp", "C/home/keep.txt", "C/home/.hidden.TMP", "C/home/NULL"})
            world.file(name);
        world.temp.makeFolder("C/home/docs");
        world.state.choices.setFileState(2, CheckState::Ticked);
        {
            Ignore dialog(world.state, world.fake.platform, nullptr);
            dialog.show();
            QVERIFY(dialog.isModal());
            QCOMPARE(world.state.FILTRE, std::string("*.TMP")); // brought up to date as the dialog opens
            QVERIFY(dialog.Drive1()->currentText().startsWith(QStringLiteral("C:")));
            QCOMPARE(dialog.Dir1()->folder(), world.state.WIN_PATH);
            QCOMPARE(dialog.filePattern(), std::string("*.TMP"));
            QCOMPARE(texts(dialog.File1()), (QStringList{QStringLiteral(".hidden.TMP"),
                                                         QStringLiteral("A.TMP"), QStringLiteral("b.tmp")}));
            // The chain from the root to the current folder, then its subfolders.
            const QStringList folders = texts(dialog.Dir1());
            QCOMPARE(folders.size(), 3);
            QCOMPARE(folders.last().trimmed(), QStringLiteral("docs"));
            QCOMPARE(dialog.Dir1()->currentRow(), 1);
            QVERIFY(dialog.Command1()->isDefault());
        }
        // With no type ticked the filter is the word NULL, which matches no file as the search lists
        // none; a custom pattern NULL is a pattern like any other.
        world.state.choices.setFileState(2, CheckState::Clear);
        for (const bool custom : {false, true}) {
            world.state.CSTM_TBL.setPatterns(custom ? std::vector<std::string>{"NULL"}
                                                    : std::vector<std::string>{});
            Ignore dialog(world.state, world.fake.platform, nullptr);
            dialog.show();
            QCOMPARE(world.state.FILTRE, std::string("NULL"));
            QCOMPARE(texts(dialog.File1()), custom ? QStringList{QStringLiteral("NULL")} : QStringList{});
        }
    }

    void ignoreListsEveryFileOfASpecialFolder()
    {
        UiWorld world;
        world.file("C/home/A.TMP");
        world.file("C/home/cache/page.html");
        world.file("C/home/cache/image.png");
        world.file("C/home/cache/.lock");
        world.state.choices.setFileState(2, CheckState::Ticked);
        // Named with another letter case, as the paths of the system may be: still that folder.
        world.state.DIRECTORIES[4] = world.drive + "home/CACHE";
        world.state.DIRECTORIES[1] = world.drive + "home/cache";

        Ignore dialog(world.state, world.fake.platform, nullptr);
        dialog.show();
        dialog.Dir1()->setFolder(world.drive + "home/cache");
        QCOMPARE(dialog.filePattern(), std::string("*.*"));
        QCOMPARE(texts(dialog.File1()), (QStringList{QStringLiteral(".lock"), QStringLiteral("image.png"),
                                                     QStringLiteral("page.html")}));
        world.state.DIRECTORIES[1].clear();
        dialog.Dir1()->setFolder(world.drive + "home/cache");
        QCOMPARE(dialog.filePattern(), std::string("*.*"));

        // Back in an ordinary folder the filter applies again.
        dialog.Dir1()->setFolder(world.state.WIN_PATH);
        QCOMPARE(texts(dialog.File1()), QStringList{QStringLiteral("A.TMP")});
    }

    void ignoreFitsADeepFolderAndGrowsItsLists()
    {
        UiWorld world;
        std::string deep = "C";
        for (int level = 1; level <= 10; ++level)
            deep += "/folder-level-" + std::to_string(level);
        world.temp.makeFolder(deep);
        world.state.WIN_PATH = world.temp / deep;
        Ignore dialog(world.state, world.fake.platform, nullptr);
        dialog.show();
        // The folder ten levels down shows whole from the start.
        FolderList& folders = *dialog.Dir1();
        const QListWidgetItem* last = folders.item(10);
        QVERIFY(folders.visualItemRect(last).left() + folders.iconSize().width() +
                    folders.fontMetrics().horizontalAdvance(last->text()) <=
                folders.viewport()->width());
        // Resizable: the lists take the room, the buttons stay at their foot.
        const QSize files = dialog.File1()->size();
        dialog.resize(dialog.width() + 100, dialog.height() + 60);
        QCOMPARE(dialog.File1()->size(), files + QSize(50, 60));
        QVERIFY(dialog.Command2()->geometry().bottom() < dialog.height());
    }

    void ignorePicksAFileWithItsFullPath()
    {
        UiWorld world;
        world.file("C/X.TMP");
        world.file(std::string("C/home/\xff.TMP"));
        world.state.choices.setFileState(2, CheckState::Ticked);
        const QString shownName = QString::fromUtf8("\xef\xbf\xbd.TMP"); // with a replacement character
        {
            Ignore dialog(world.state, world.fake.platform, nullptr);
            dialog.show();
            dialog.File1()->clearSelection();
            dialog.Command1()->click();
            QVERIFY(dialog.isVisible()); // OK without a selection does nothing
            QVERIFY(selectFile(dialog, shownName));
            dialog.Command1()->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.chosenPath(), world.state.WIN_PATH + "/\xff.TMP"); // the bytes it is
        }
        {
            // At a drive root: one separator between the root and the name. A double-click picks too.
            Ignore dialog(world.state, world.fake.platform, nullptr);
            dialog.show();
            QListWidgetItem* root = dialog.Dir1()->item(0);
            QCOMPARE(dialog.Dir1()->entryPath(root), world.drive);
            emit dialog.Dir1()->itemActivated(root);
            QCOMPARE(dialog.Dir1()->folder(), world.drive);
            QVERIFY(selectFile(dialog, QStringLiteral("X.TMP")));
            emit dialog.File1()->itemActivated(dialog.File1()->currentItem());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.chosenPath(), world.drive + "X.TMP");
        }
        Ignore dialog(world.state, world.fake.platform, nullptr);
        dialog.show();
        QVERIFY(selectFile(dialog, shownName));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(dialog.chosenPath().empty());
    }

    void ignoreMovesBetweenDrivesAndFolders()
    {
        UiWorld world;
        const std::string d = world.addDrive('D');
        world.file("D/work/old/Z.TMP");
        world.state.choices.setFileState(2, CheckState::Ticked);

        Ignore dialog(world.state, world.fake.platform, nullptr);
        dialog.show();
        QCOMPARE(dialog.Drive1()->count(), 2);
        dialog.Drive1()->setCurrentIndex(1);
        dialog.Drive1_Change();
        QCOMPARE(dialog.Dir1()->folder(), d);
        QCOMPARE(texts(dialog.Dir1()).last().trimmed(), QStringLiteral("work"));

        emit dialog.Dir1()->itemActivated(dialog.Dir1()->item(1));
        QCOMPARE(dialog.Dir1()->folder(), d + "work");
        emit dialog.Dir1()->itemActivated(dialog.Dir1()->item(2));
        QCOMPARE(dialog.Dir1()->folder(), d + "work/old");
        QCOMPARE(texts(dialog.File1()), QStringList{QStringLiteral("Z.TMP")});
        // Up the chain again.
        emit dialog.Dir1()->itemActivated(dialog.Dir1()->item(1));
        QCOMPARE(dialog.Dir1()->folder(), d + "work");
        QVERIFY(dialog.File1()->count() == 0);

        // A folder outside the drive opens its root instead.
        dialog.Dir1()->setFolder(world.temp.path());
        QCOMPARE(dialog.Dir1()->folder(), d);
    }

    void customTypeUpperCasesWhatIsTypedAndRefusesEmptyAndCatchAllTexts()
    {
        UiWorld world;
        // Every name matches these: refused with a message, the dialog open.
        for (const char* text : {"*", "*.*", "*?", "?*", "**", "*.bak;;?*"}) {
            CustomType dialog(world.state, world.fake.messageBoxes, nullptr);
            dialog.show();
            QTest::keyClicks(dialog.Text1(), QString::fromLatin1(text));
            dialog.Command1()->click();
            QVERIFY2(dialog.isVisible() && dialog.pattern().empty(), text);
        }
        QCOMPARE(world.fake.messageBoxes.shown.size(), std::size_t(6));
        {
            CustomType dialog(world.state, world.fake.messageBoxes, nullptr);
            dialog.show();
            QTest::keyClicks(dialog.Text1(), QStringLiteral("*.jnk;"));
            dialog.Text1()->insert(QString::fromUtf8("\xc3\xa9*"));
            QTest::keyClick(dialog.Text1(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            // Letters beyond ASCII stay as typed: the matching would not fold them back.
            QCOMPARE(dialog.pattern(), std::string("*.JNK;\xc3\xa9*"));
        }
        {
            CustomType dialog(world.state, world.fake.messageBoxes, nullptr);
            dialog.show();
            dialog.Command1()->click();
            QVERIFY(dialog.isVisible());
            QVERIFY(dialog.pattern().empty());
            QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        CustomType dialog(world.state, world.fake.messageBoxes, nullptr);
        dialog.show();
        QTest::keyClicks(dialog.Text1(), QStringLiteral("   "));
        dialog.Command1()->click();
        QCOMPARE(dialog.pattern(), std::string("   "));
    }
};

DUSTREL_UI_TEST_MAIN(DialogsTest)

#include "DialogsTest.moc"
