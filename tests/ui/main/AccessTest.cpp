// The main window without a mouse or a screen: what a screen reader reads of it, and the commands that
// only a double-click reached before.

#include "state/ProgramInfo.h"
#include "ui/about/Splash.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/FolderList.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/MenuWindow.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

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
};

int runAccessTest(int argc, char** argv)
{
    AccessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AccessTest.moc"
