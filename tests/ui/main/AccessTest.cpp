// The main window without a mouse or a screen: what a screen reader reads of it, Tab and the mnemonics,
// and the commands on the results list that only a double-click reached before, with the list's order.

#include "state/ProgramInfo.h"
#include "ui/about/Splash.h"
#include "ui/common/ChoiceBox.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/FolderList.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/MenuWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <tuple>

using namespace dustrel;
using namespace dustrel::test;

class AccessTest : public QObject
{
    Q_OBJECT

private slots:
    void theStatusTextListsAndDialogControlsAreRead()
    {
        Window w;
        w.world.file("C/a.tmp", "12345");
        w.searchTmp();
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(w.menu->StatusBar1());
        QVERIFY(status != nullptr && status->textInterface() != nullptr);
        QCOMPARE(status->role(), QAccessible::StaticText);
        const QString expected = QString::fromStdString(summary("5", 1));
        QCOMPARE(status->textInterface()->text(0, status->textInterface()->characterCount()), expected);

        Ignore ignore(w.state(), w.world.fake.platform, w.menu.get());
        CustomType custom(w.state(), w.world.fake.messageBoxes, w.menu.get());
        Splash splash;
        const std::pair<QObject*, QString> named[] = {
            {w.menu->StatusBar1(), expected},
            {w.menu->IgnoreLst(), QStringLiteral("List of files to ignore")},
            {w.menu->CustomLst(), QStringLiteral("List of custom type of files")},
            {w.menu->ListView1(), QStringLiteral("Files found")},
            {ignore.Dir1(), QStringLiteral("Folders")},
            {ignore.File1(), QStringLiteral("Files")},
            {custom.Text1(), QStringLiteral("Type your custom type of files (Ex : '*.JNK') :")},
            {splash.Image1(), QStringLiteral("Dustrel v2.1")},
        };
        for (const auto& [element, name] : named)
            QCOMPARE(QAccessible::queryAccessibleInterface(element)->text(QAccessible::Name), name);
    }

    void deleteKeyDoesWhatADoubleClickDoesOnEachList()
    {
        Window w;
        w.world.file("C/a.tmp", "12345");
        w.world.file("C/b.tmp", "1");
        w.searchTmp();
        QTableView* view = w.menu->ListView1();
        view->setCurrentIndex(view->model()->index(1, 0));
        const QString focused = w.cell(1, 0);
        w.boxes().answerNext(MessageAnswer::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        // The row that had the focus went after the question, and on Yes it joined the ignore list.
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.rows(), 1);
        QVERIFY(w.cell(0, 0) != focused);
        QVERIFY(w.menu->IgnoreLst()->item(0)->text().endsWith(QLatin1Char('/') + focused));

        w.menu->IgnoreLst()->setCurrentRow(0);
        QTest::keyClick(w.menu->IgnoreLst(), Qt::Key_Delete);
        QCOMPARE(w.menu->IgnoreLst()->count(), 0);
        QCOMPARE(w.state().IGN_TBL.entries().size(), std::size_t(0));
    }

    void tabLeavesTheListEveryMnemonicIsUniqueAndTipsNameWholePaths()
    {
        Window w;
        Menu& menu = *w.menu;
        w.world.file("C/A.TMP");
        w.world.file("C/B.TMP");
        w.searchTmp();
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.menu.get()));
        QTableView* view = menu.ListView1();
        view->setFocus();
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), menu.Files(0));

        for (int tab = 0; tab < 4; ++tab) {
            menu.SSTab1()->setCurrentIndex(tab);
            QStringList keys;
            for (const QWidget* element : menu.findChildren<QWidget*>()) {
                const auto* label = qobject_cast<const QLabel*>(element);
                if (element->isVisible() &&
                    (qobject_cast<const QAbstractButton*>(element) || (label && label->buddy())))
                    keys << QKeySequence::mnemonic(element->property("text").toString()).toString();
            }
            for (const QAction* action : menu.menuBar()->actions())
                keys << QKeySequence::mnemonic(action->text()).toString();
            keys.removeAll(QString());
            QCOMPARE(keys.removeDuplicates(), qsizetype(0));
        }

        const std::string deep = w.world.drive + std::string(60, 'x') + "/Z.TMP";
        w.state().IGN_TBL.setEntries({deep});
        menu.SSTab1()->setCurrentIndex(0);
        menu.SSTab1()->setCurrentIndex(3);
        QCOMPARE(menu.IgnoreLst()->item(0)->toolTip().toStdString(), deep);
        QVERIFY(menu.Drive(0)->toolTip().endsWith(QString::fromStdString(w.world.drive)));
    }

    void theListSortsAndActsOnTheSelectedRows()
    {
        Window w;
        Menu& menu = *w.menu;
        // Name, size, hours since the last change: each column orders them differently.
        const std::tuple<const char*, std::size_t, int> files[] = {
            {"a/X.TMP", 30, 4}, {"b/Y.TMP", 1, 1}, {"c/W.TMP", 200, 2}, {"d/Z.TMP", 9, 3}};
        for (const auto& [name, size, hoursAgo] : files) {
            const std::string path = w.world.file(std::string("C/") + name, std::string(size, 'x'));
            std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                                       std::chrono::hours(hoursAgo));
        }
        w.searchTmp();
        QTableView* view = menu.ListView1();
        QHeaderView* header = view->horizontalHeader();
        const auto shown = [&] {
            return texts(w.rows(), [&](int row) { return w.cell(row, 0).left(1); }).join("");
        };
        // Clicks on the captions, one after the other: sizes by value, a second click reverses.
        const std::pair<int, const char*> clicks[] = {
            {2, "YZXW"}, {2, "WXZY"}, {0, "WXYZ"}, {3, "XZWY"}, {2, "YZXW"}};
        QCOMPARE(shown(), QStringLiteral("XYWZ"));
        for (const auto& [column, order] : clicks) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
            QCOMPARE(shown(), QString::fromLatin1(order));
        }
        QCOMPARE(menu.results().fileName(0), std::string_view("X.TMP")); // the deletion's order stays

        // Two rows selected, the Delete key: one question naming the count.
        view->setCurrentIndex(view->model()->index(0, 0));
        QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
        w.boxes().answerNext(MessageAnswer::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(w.boxes().shown.back().text,
                 std::string("Do you want to remove the 2 selected file(s) from the list ?"));
        QCOMPARE(shown(), QStringLiteral("XW"));
        QCOMPARE(w.status(), summary("230", 2));

        // The context menu, from the keyboard, on the current row.
        QString wanted;
        menu.setMenuRunner([&](QMenu& shownMenu, QPoint) {
            for (QAction* action : shownMenu.actions())
                if (action->text() == wanted)
                    return action;
            return static_cast<QAction*>(nullptr);
        });
        view->setCurrentIndex(view->model()->index(1, 0));
        wanted = QStringLiteral("Open the containing folder");
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(w.world.fake.processes.opened, std::vector<std::string>{w.world.drive + "c"});
        wanted = QStringLiteral("Add to the ignore list");
        QTest::keyClick(view, Qt::Key_Menu);
        QCOMPARE(listTexts(menu.IgnoreLst()), std::vector<std::string>{w.world.drive + "c/W.TMP"});
        QCOMPARE(w.status(), summary("30", 1));

        // A new search shows the walk's order again, without the file now ignored.
        w.command(1)->click();
        QCOMPARE(shown(), QStringLiteral("XYZ"));
    }
};

int runAccessTest(int argc, char** argv)
{
    AccessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AccessTest.moc"
