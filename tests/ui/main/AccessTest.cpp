// The main window without a mouse or a screen: what a screen reader reads and hears of it, and the
// commands that only a double-click reached before.

#include "state/ProgramInfo.h"
#include "ui/about/Splash.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/FolderList.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/MenuWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <utility>
#include <vector>

using namespace dustrel;
using namespace dustrel::test;

namespace {

QString readName(QObject* element)
{
    QAccessibleInterface* readable = QAccessible::queryAccessibleInterface(element);
    return readable != nullptr ? readable->text(QAccessible::Name) : QString();
}

} // namespace

class AccessTest : public QObject
{
    Q_OBJECT

private slots:
    void theStatusTextIsReadAsText()
    {
        Window w;
        w.world.file("C/a.tmp", "12345");
        w.searchTmp();
        const QString expected = QString::fromStdString(summary("5", 1));
        QAccessibleInterface* status = QAccessible::queryAccessibleInterface(w.menu->StatusBar1());
        QVERIFY(status != nullptr && status->textInterface() != nullptr);
        QCOMPARE(status->role(), QAccessible::StaticText);
        QCOMPARE(status->text(QAccessible::Name), expected);
        QCOMPARE(status->textInterface()->text(0, status->textInterface()->characterCount()), expected);
    }

    void listsTablesAndDialogControlsHaveNames()
    {
        Window w;
        Ignore ignore(w.state(), w.world.fake.platform, w.menu.get());
        CustomType custom(w.state(), w.world.fake.messageBoxes, w.menu.get());
        Splash splash;
        const std::vector<std::pair<QObject*, QString>> named{
            {w.menu->IgnoreLst(), QStringLiteral("List of files to ignore")},
            {w.menu->CustomLst(), QStringLiteral("List of custom type of files")},
            {w.menu->ListView1(), QStringLiteral("Files found")},
            {ignore.Dir1(), QStringLiteral("Folders")},
            {ignore.File1(), QStringLiteral("Files")},
            {custom.Text1(), QStringLiteral("Type your custom type of files (Ex : '*.JNK') :")},
            {splash.Image1(), QString::fromLatin1(kProgramTitle.data(), kProgramTitle.size())},
        };
        for (const auto& [element, name] : named)
            QCOMPARE(readName(element), name);
    }

    void everyControlTakesTheFocusAndEveryMenuItemHasAKey()
    {
        Window w;
        for (QWidget* control : w.menu->findChildren<QWidget*>()) {
            // The window's own controls; Qt's parts of them (headings, corner, overflow) carry no command.
            const QString name = control->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
                continue;
            if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QAbstractItemView*>(control))
                QVERIFY2(control->focusPolicy() & Qt::TabFocus, control->metaObject()->className());
        }
        for (QAction* action : w.menu->menuBar()->findChildren<QAction*>()) {
            if (!action->isSeparator() && !action->text().isEmpty())
                QVERIFY2(action->text().contains(QLatin1Char('&')), qPrintable(action->text()));
        }
    }

    void deleteKeyDoesWhatADoubleClickDoesOnEachList()
    {
        Window w;
        w.world.file("C/a.tmp", "12345");
        w.world.file("C/b.tmp", "1");
        w.searchTmp();
        QTableView* view = w.menu->ListView1();
        view->setFocus();
        view->setCurrentIndex(view->model()->index(1, 0));
        const QString focused = w.cell(1, 0);
        w.boxes().answerNext(MessageAnswer::Yes);
        QTest::keyClick(view, Qt::Key_Delete);
        // The row that had the focus went after the question, and on Yes it joined the ignore list.
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.rows(), 1);
        QVERIFY(w.cell(0, 0) != focused);
        QVERIFY(w.menu->IgnoreLst()->item(0)->text().endsWith(QLatin1Char('/') + focused));

        QListWidget* ignored = w.menu->IgnoreLst();
        ignored->setCurrentRow(0);
        QTest::keyClick(ignored, Qt::Key_Delete);
        QCOMPARE(ignored->count(), 0);
        QCOMPARE(w.state().IGN_TBL.entries().size(), std::size_t(0));
    }
};

int runAccessTest(int argc, char** argv)
{
    AccessTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AccessTest.moc"
