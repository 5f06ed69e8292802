// The main window driven as a user drives it: boxes, lists, dialogs, search, results, menus and quit.

#include "ui/main/Menu.h"

#include "settings/Parameters.h"
#include "state/ProgramInfo.h"
#include "ui/common/ChoiceBox.h"
#include "ui/common/StatusLabel.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/FolderList.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/MenuLayout.h"
#include "ui/main/ResultsTableModel.h"
#include "ui/main/UiWorld.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>
#include <set>

using namespace dustrel;
using namespace dustrel::test;

namespace {

const std::string kSummaryPrefix = "   Total wasted size : ";

// A double-click as the mouse makes it: a click, then the second press that the system reports as a
// double-click.
void doubleClick(QWidget* target, QPoint at)
{
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
    QTest::mouseDClick(target, Qt::LeftButton, {}, at);
}

// A window over a fresh world, with every escape hatch that would block or end the test replaced.
struct Window
{
    UiWorld world;
    std::unique_ptr<Menu> menu;
    bool ended = false;
    int dialogs = 0;
    std::function<int(QDialog&)> onDialog;

    explicit Window(bool drives = true)
    {
        if (drives)
            world.findDrives();
        menu = std::make_unique<Menu>(world.state, world.fake.platform);
        menu->setEndProgram([this] { ended = true; });
        menu->setDialogRunner([this](QDialog& dialog) {
            ++dialogs;
            if (!onDialog) {
                QTest::qFail("a dialog opened that the test did not expect", __FILE__, __LINE__);
                return int(QDialog::Rejected);
            }
            dialog.show();
            const int result = onDialog(dialog);
            return result;
        });
        menu->show();
    }

    ProgramState& state() { return world.state; }
    FakeMessageBoxes& boxes() { return world.fake.messageBoxes; }
    QPushButton* command(int number) { return menu->commandButton(number); }
    std::string status() { return std::string(menu->statusText()); }
    int rows() { return menu->ListView1()->model()->rowCount(); }
    QString cell(int row, int column)
    {
        return menu->ListView1()->model()->index(row, column).data().toString();
    }

    void doubleClickRow(int row)
    {
        QTableView* view = menu->ListView1();
        view->scrollTo(view->model()->index(row, 0));
        const QRect cellRect = view->visualRect(view->model()->index(row, 0));
        doubleClick(view->viewport(), cellRect.center());
    }
};

std::vector<std::string> listTexts(const QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

} // namespace

class MenuTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QuestionGuard> m_questions;
    std::unique_ptr<Watchdog> m_watchdog;

private slots:
    void init()
    {
        m_questions = std::make_unique<QuestionGuard>();
        m_watchdog = std::make_unique<Watchdog>();
    }

    void cleanup()
    {
        m_watchdog.reset();
        QVERIFY2(m_questions->clean(), "a question was shown that the test did not answer");
    }

    void elementsCarryTheirNamesTextsAndStates()
    {
        Window w;
        Menu& menu = *w.menu;
        QCOMPARE(menu.windowTitle(), QStringLiteral("Dustrel v2.1"));
        QVERIFY(!menu.windowIcon().isNull());
        struct Expected
        {
            const char* name;
            const char* text;
            const char* toolTip;
        };
        const Expected buttons[] = {
            {"Command1", "&Search", "Click to start the search process"},
            {"Command2", "S&top !", "Click to stop the search process"},
            {"Command3", "&Delete", "Click to delete listed files"},
            {"Command4", "&Add", "Click to add a file to ignore"},
            {"Command5", "&Remove", "Click to remove a file to ignore"},
            {"Command6", "&Add", "Click to add a custom type of files"},
            {"Command7", "&Remove", "Click to remove a custom type of files"},
        };
        for (const Expected& e : buttons) {
            auto* button = menu.findChild<QPushButton*>(QString::fromLatin1(e.name));
            QVERIFY2(button != nullptr, e.name);
            QCOMPARE(button->text(), QString::fromLatin1(e.text));
            QCOMPARE(button->toolTip(), QString::fromLatin1(e.toolTip));
        }
        QVERIFY(w.command(1)->isEnabled() && w.command(1)->isDefault());
        QVERIFY(!w.command(2)->isEnabled() && !w.command(3)->isEnabled());
        QCOMPARE(menu.IgnoreLst()->toolTip(), QStringLiteral("List of files to ignore"));
        QCOMPARE(menu.CustomLst()->toolTip(), QStringLiteral("List of custom type of files"));

        QTabWidget* tabs = menu.SSTab1();
        QCOMPARE(tabs->currentIndex(), 0);
        const QStringList tabTexts{QStringLiteral("Type of Files"), QStringLiteral("Directories"),
                                   QStringLiteral("Drives"), QStringLiteral("Advanced")};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(tabs->tabText(i), tabTexts[i]);
        QCOMPARE(menu.Label1(2)->text(), QStringLiteral("Select hard-drives you want to scan :"));
        QCOMPARE(menu.Label1(4)->text(), QStringLiteral("Select custom type of files :"));
        for (std::size_t i = 0; i < kFileTypeCount; ++i) {
            QCOMPARE(menu.Files(i)->text().toStdString(), std::string(kCleaningRules[i].label));
            QCOMPARE(menu.Files(i)->toolTip().toStdString(), std::string(kCleaningRules[i].toolTip));
            QCOMPARE(menu.Files(i)->property("helpContextId").toInt(), int(100 + 5 * i));
        }
        QCOMPARE(menu.Dirs(4)->text(), QStringLiteral("MS Internet Explorer Cache Directory"));
        QCOMPARE(menu.Drive(0)->text(), QStringLiteral("Drive C:"));
        QCOMPARE(menu.Drive(0)->toolTip(), QStringLiteral("C: - 15.6 MB (3.9 MB Free)"));

        QAbstractItemModel* results = menu.ListView1()->model();
        QStringList headers;
        for (int i = 0; i < results->columnCount(); ++i)
            headers << results->headerData(i, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{QStringLiteral("File name"), QStringLiteral("Directory"),
                                       QStringLiteral("Size (bytes)"), QStringLiteral("Last Modified")}));
        QVERIFY(menu.statusText().empty());
    }

    void menusHaveTheirItemsMarksAndShortcut()
    {
        Window w;
        Menu& menu = *w.menu;
        QStringList items;
        for (QAction* top : menu.menuBar()->actions()) {
            items << top->text();
            for (QAction* item : top->menu()->actions())
                items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        QCOMPARE(items,
                 (QStringList{QStringLiteral("&File"), QStringLiteral("&Exit"), QStringLiteral("&Options"),
                              QStringLiteral("&Log events to a file"), QStringLiteral("-"),
                              QStringLiteral("&Save parameters on exit"), QStringLiteral("&?"),
                              QStringLiteral("&Index..."), QStringLiteral("&About...")}));
        QCOMPARE(menu.Help_Index()->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(menu.Opt_log()->isCheckable() && !menu.Opt_log()->isChecked() &&
                !menu.Opt_save()->isChecked());

        // The check mark is the option: toggling twice restores it, and nothing is written meanwhile.
        menu.Opt_log()->trigger();
        QVERIFY(w.state().choices.optLog() && menu.Opt_log()->isChecked());
        menu.Opt_log()->trigger();
        QVERIFY(!w.state().choices.optLog());
        menu.Opt_save()->trigger();
        QVERIFY(w.state().choices.optSave() && menu.Opt_save()->isChecked());
        QCOMPARE(w.world.fake.registry.writes, 0);
        // LoadParameters sets the marks through the choices.
        w.state().choices.setOptLog(true);
        QVERIFY(menu.Opt_log()->isChecked());
    }

    void focusMovesInTheDesignedOrder()
    {
        Window w;
        Menu& menu = *w.menu;
        std::vector<QWidget*> expected{w.command(1), w.command(2), w.command(3), menu.ListView1()};
        for (std::size_t i = 0; i < kFileTypeCount; ++i)
            expected.push_back(menu.Files(i));
        for (std::size_t i = 0; i < kSpecialFolderCount; ++i)
            expected.push_back(menu.Dirs(i));
        expected.insert(expected.end(), {menu.IgnoreLst(), w.command(4), w.command(5), menu.CustomLst(),
                                         w.command(6), w.command(7), menu.Drive(0)});
        for (std::size_t i = 1; i < expected.size(); ++i) {
            // Widgets that take no focus (disabled or on another tab) are skipped by the chain itself;
            // the order is what counts.
            QWidget* next = expected[i - 1]->nextInFocusChain();
            while (next != expected[i] && next != expected[0] &&
                   std::find(expected.begin(), expected.end(), next) == expected.end())
                next = next->nextInFocusChain();
            QVERIFY2(next == expected[i], qPrintable(QStringLiteral("after element %1").arg(i - 1)));
        }
    }

    void ticksReachTheFilter()
    {
        Window w;
        Menu& menu = *w.menu;
        menu.Files(0)->click();
        menu.Files(3)->click();
        QCOMPARE(w.state().choices.files()[0].state, CheckState::Ticked);
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("*.BAK;*.~*;~*.*"));

        menu.Files(0)->click();
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("*.~*;~*.*"));

        // A greyed box from the saved parameters selects nothing, and a click clears it.
        w.state().choices.setFileState(5, CheckState::Greyed);
        QCOMPARE(menu.Files(5)->checkState(), Qt::PartiallyChecked);
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("*.~*;~*.*"));
        menu.Files(5)->click();
        QCOMPARE(w.state().choices.files()[5].state, CheckState::Clear);

        menu.Files(3)->click();
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("NULL"));

        menu.Dirs(2)->click();
        QVERIFY(w.state().choices.dirs()[2].ticked());
        menu.Drive(0)->click();
        QCOMPARE(w.state().choices.drives()[0].box.state, CheckState::Clear);

        // What LoadParameters sets shows on the boxes.
        w.state().choices.setDirEnabled(1, false);
        w.state().choices.setDirToolTip(0, "/tmp");
        QVERIFY(!menu.Dirs(1)->isEnabled());
        QCOMPARE(menu.Dirs(0)->toolTip(), QStringLiteral("/tmp"));
    }

    void driveBoxesFillTwoColumns()
    {
        Window w(false);
        Menu& menu = *w.menu;
        // Drive(0) waits hidden until a drive is found.
        QCOMPARE(menu.Drive(0)->text(), QStringLiteral("Drive(0)"));
        QVERIFY(!menu.Drive(0)->isVisibleTo(menu.TabPctr(2)));

        for (char letter = 'D'; letter <= 'M'; ++letter)
            w.world.addDrive(letter);
        w.world.findDrives();
        QCOMPARE(menu.driveBoxes(), std::size_t(11));
        menu.SSTab1()->setCurrentIndex(2);
        QCoreApplication::processEvents();
        QCOMPARE(menu.Drive(10)->text(), QStringLiteral("Drive M:"));
        QVERIFY(menu.Drive(10)->isVisibleTo(menu.TabPctr(2)));
        // The eleventh drive heads the right column, level with the first and in line with the right
        // column of the file types.
        QCOMPARE(menu.Drive(10)->y(), menu.Drive(0)->y());
        QVERIFY(menu.Drive(10)->x() > menu.Drive(9)->x());
        menu.SSTab1()->setCurrentIndex(0);
        QCOMPARE(menu.Drive(10)->x(), menu.Files(10)->x());
        for (std::size_t k = 0; k + 1 < 10; ++k)
            QVERIFY(menu.Drive(k)->geometry().bottom() < menu.Drive(k + 1)->geometry().top());
    }

    void resizeBelowTheMinimumKeepsTheMinimum()
    {
        Window w;
        Menu& menu = *w.menu;
        const QSize minimum = menu.minimumSizeHint();
        menu.resize(200, 150);
        QCoreApplication::processEvents();
        QVERIFY(menu.width() >= minimum.width() && menu.height() >= minimum.height());

        const TwipsScale& scale = menu.scale();
        QHeaderView* header = menu.ListView1()->horizontalHeader();
        const int columns[4] = {1830, 2730, 1170, 1520};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(std::abs(header->sectionSize(i) - scale.px(columns[i])) <= 1,
                     qPrintable(QString::number(i)));

        // Wider and taller: the tab control and the buttons grow with the width, the list with both.
        const int tabHeight = menu.SSTab1()->height();
        const int listHeight = menu.ListView1()->height();
        menu.resize(minimum.width() + 300, minimum.height() + 200);
        QCoreApplication::processEvents();
        QCOMPARE(menu.SSTab1()->height(), tabHeight);
        QVERIFY(std::abs(menu.ListView1()->height() - (listHeight + 200)) <= 1);
        QVERIFY(menu.SSTab1()->width() > scale.px(6855));
        QVERIFY(w.command(1)->x() > menu.SSTab1()->geometry().right());
        QCOMPARE(w.command(2)->x(), w.command(1)->x());
        QCOMPARE(w.command(3)->width(), w.command(1)->width());
        QVERIFY(w.command(1)->geometry().right() < menu.centralWidget()->width());
        QVERIFY(header->sectionSize(0) > scale.px(1830));
    }

    void captionsAreNotCut()
    {
        Window w;
        Menu& menu = *w.menu;
        for (int tab = 0; tab < 4; ++tab) {
            menu.SSTab1()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (QWidget* element : menu.TabPctr(tab)->findChildren<QWidget*>()) {
                if (qobject_cast<QLabel*>(element) == nullptr && qobject_cast<QCheckBox*>(element) == nullptr)
                    continue;
                if (!element->isVisibleTo(menu.TabPctr(tab)))
                    continue;
                QVERIFY2(element->width() >= element->sizeHint().width(),
                         qPrintable(QStringLiteral("%1 %2: %3 < %4 in %5")
                                        .arg(element->objectName())
                                        .arg(element->property("index").toInt())
                                        .arg(element->width())
                                        .arg(element->sizeHint().width())
                                        .arg(menu.TabPctr(tab)->width())));
                QVERIFY(element->geometry().right() < menu.TabPctr(tab)->width());
            }
        }
    }

    void advancedTabShowsTheTables()
    {
        Window w;
        Menu& menu = *w.menu;
        // Only TMP_FILE and the spare slot: nothing to show.
        menu.SSTab1()->setCurrentIndex(3);
        QCOMPARE(menu.IgnoreLst()->count(), 0);
        QCOMPARE(menu.CustomLst()->count(), 0);

        menu.SSTab1()->setCurrentIndex(0);
        w.state().IGN_TBL.setEntries({"/a/X.TMP", std::string("/b/\xff.TMP")});
        w.state().CSTM_TBL.setPatterns({"*.JNK"});
        menu.IgnoreLst()->addItem(QStringLiteral("not in the table"));
        menu.SSTab1()->setCurrentIndex(3);
        QCOMPARE(menu.IgnoreLst()->count(), 2);
        QCOMPARE(menu.IgnoreLst()->item(0)->text(), QStringLiteral("/a/X.TMP"));
        // Shown with a replacement character, kept as the bytes it is.
        QCOMPARE(menu.IgnoreLst()->item(1)->text(), QString::fromUtf8("/b/\xef\xbf\xbd.TMP"));
        QCOMPARE(listTexts(menu.CustomLst()), std::vector<std::string>{"*.JNK"});

        // A rebuild from the list keeps the bytes and puts TMP_FILE back in slot 0.
        menu.IgnoreLst()->setCurrentRow(0);
        w.command(5)->click();
        QCOMPARE(w.state().IGN_TBL.slot(0), w.state().TMP_FILE);
        QCOMPARE(w.state().IGN_TBL.entries(), std::vector<std::string>{std::string("/b/\xff.TMP")});
    }

    void ignoreListCommands()
    {
        Window w;
        Menu& menu = *w.menu;
        menu.SSTab1()->setCurrentIndex(3);
        const std::string picked = w.world.file("C/home/KEEP.TMP");
        w.state().choices.setFileState(2, CheckState::Ticked);

        // Add, then Cancel: the table stays TMP_FILE plus the spare slot.
        bool modalToTheWindow = false;
        w.onDialog = [&](QDialog& dialog) {
            auto& ignore = dynamic_cast<Ignore&>(dialog);
            modalToTheWindow = ignore.isModal() && ignore.parentWidget() == &menu;
            ignore.Command2()->click();
            return ignore.result();
        };
        w.command(4)->click();
        QCOMPARE(w.dialogs, 1);
        QVERIFY(modalToTheWindow);
        QCOMPARE(w.state().IGN_TBL.count(), std::size_t(0));
        QCOMPARE(w.state().IGN_TBL.highestIndex(), std::size_t(1));

        // Add a file twice: two identical entries, in list and table alike.
        w.onDialog = [](QDialog& dialog) {
            auto& ignore = dynamic_cast<Ignore&>(dialog);
            QListWidget* files = ignore.File1();
            const auto found = files->findItems(QStringLiteral("KEEP.TMP"), Qt::MatchExactly);
            if (found.isEmpty())
                return int(QDialog::Rejected);
            files->setCurrentItem(found.front());
            ignore.Command1()->click();
            return ignore.result();
        };
        w.command(4)->click();
        w.command(4)->click();
        QCOMPARE(w.state().IGN_TBL.entries(), (std::vector<std::string>{picked, picked}));
        QCOMPARE(listTexts(menu.IgnoreLst()), (std::vector<std::string>{picked, picked}));

        // Remove with nothing selected removes nothing.
        menu.IgnoreLst()->clearSelection();
        w.command(5)->click();
        QCOMPARE(w.state().IGN_TBL.count(), std::size_t(2));

        // A double-click removes the entry under the pointer without a question.
        QListWidget* list = menu.IgnoreLst();
        const QRect first = list->visualItemRect(list->item(0));
        doubleClick(list->viewport(), first.center());
        QCOMPARE(w.state().IGN_TBL.count(), std::size_t(1));
        list->setCurrentRow(0);
        w.command(5)->click();
        QCOMPARE(w.state().IGN_TBL.count(), std::size_t(0));
        QCOMPARE(w.state().IGN_TBL.slot(0), w.state().TMP_FILE);
        QVERIFY(w.boxes().shown.empty());
    }

    void customListCommands()
    {
        Window w;
        Menu& menu = *w.menu;
        menu.SSTab1()->setCurrentIndex(3);
        bool openedEmpty = true;
        auto typeAndConfirm = [&openedEmpty](const QString& text) {
            return [text, &openedEmpty](QDialog& dialog) {
                auto& custom = dynamic_cast<CustomType&>(dialog);
                openedEmpty = openedEmpty && custom.Text1()->text().isEmpty();
                QTest::keyClicks(custom.Text1(), text);
                custom.Command1()->click();
                return custom.result();
            };
        };
        w.onDialog = typeAndConfirm(QStringLiteral("*.jnk"));
        w.command(6)->click();
        w.command(6)->click();
        QCOMPARE(w.state().CSTM_TBL.patterns(), (std::vector<std::string>{"*.JNK", "*.JNK"}));
        QCOMPARE(listTexts(menu.CustomLst()), (std::vector<std::string>{"*.JNK", "*.JNK"}));
        QVERIFY(openedEmpty);
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("*.JNK;*.JNK"));

        w.onDialog = [](QDialog& dialog) {
            dialog.reject();
            return dialog.result();
        };
        w.command(6)->click();
        QCOMPARE(w.state().CSTM_TBL.count(), std::size_t(2));

        QListWidget* list = menu.CustomLst();
        doubleClick(list->viewport(), list->visualItemRect(list->item(1)).center());
        list->setCurrentRow(0);
        w.command(7)->click();
        QCOMPARE(w.state().CSTM_TBL.count(), std::size_t(0));
        QCOMPARE(w.state().CSTM_TBL.highestIndex(), std::size_t(0));
    }

    void searchListsRowsAndSummary()
    {
        Window w;
        Menu& menu = *w.menu;
        w.world.file("C/A.TMP", "12345");
        w.world.file("C/keep.txt", "x");
        w.world.file("C/sub/B.BAK", std::string(1500, 'b'));
        w.world.file("C/sub/deeper/c.tmp", "");
        menu.Files(0)->click();
        menu.Files(2)->click();

        w.command(1)->click();
        QCOMPARE(w.rows(), 3);
        QCOMPARE(w.cell(0, 0), QStringLiteral("A.TMP"));
        QCOMPARE(w.cell(0, 1).toStdString(), w.world.drive);
        QCOMPARE(w.cell(0, 2), QStringLiteral("5"));
        QCOMPARE(w.cell(1, 0), QStringLiteral("B.BAK"));
        QCOMPARE(w.cell(1, 1).toStdString(), w.world.drive + "sub");
        QCOMPARE(w.cell(1, 2), QStringLiteral("1,500"));
        QCOMPARE(w.cell(2, 0), QStringLiteral("c.tmp"));
        QVERIFY(!w.cell(2, 3).isEmpty());
        QAbstractItemModel* model = menu.ListView1()->model();
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(model->index(0, 2).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignRight | Qt::AlignVCenter));

        const std::string summary = kSummaryPrefix + "1,505 byte(s) - 3 file(s).";
        QCOMPARE(w.status(), summary);
        QCOMPARE(menu.StatusBar1()->shownText().toStdString(), summary);
        QVERIFY(w.command(1)->isEnabled() && w.command(1)->isDefault());
        QVERIFY(!w.command(2)->isEnabled() && !w.command(2)->isDefault());
        QVERIFY(w.command(3)->isEnabled());
        QCOMPARE(menu.pointer(), Pointer::Default);
        QVERIFY(QApplication::overrideCursor() == nullptr);

        // A second run starts from an empty list.
        w.command(1)->click();
        QCOMPARE(w.rows(), 3);
        QCOMPARE(w.status(), summary);
    }

    void buttonsSwapWhileSearching()
    {
        Window w;
        w.world.file("C/a/X.TMP");
        w.menu->Files(2)->click();
        bool checked = false;
        QTimer::singleShot(0, w.menu.get(), [&] {
            checked = true;
            QVERIFY(!w.command(1)->isEnabled() && !w.command(1)->isDefault());
            QVERIFY(w.command(2)->isEnabled() && w.command(2)->isDefault());
            QCOMPARE(w.menu->pointer(), Pointer::ArrowHourglass);
            QVERIFY(QApplication::overrideCursor() != nullptr);
        });
        w.command(1)->click();
        QVERIFY(checked);
        QVERIFY(w.command(1)->isEnabled());
    }

    void stopEndsTheSearchAtThePump()
    {
        Window w;
        Menu& menu = *w.menu;
        // A large tree with one matching file in every folder.
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 5; ++j)
                w.world.file("C/d" + std::to_string(100 + i) + "/e" + std::to_string(j) + "/F.TMP");
        w.world.file("C/ROOT.TMP");
        menu.Files(2)->click();

        // Stop, and on the way the tabs and the lists, at the first pump: after the root and the first
        // folder have been entered.
        w.state().IGN_TBL.setEntries({"/x/Y.TMP"});
        QTimer::singleShot(0, &menu, [&] {
            menu.SSTab1()->setCurrentIndex(3);
            w.command(2)->click();
        });
        w.command(1)->click();

        QCOMPARE(menu.IgnoreLst()->count(), 1);
        QCOMPARE(w.rows(), 1);
        QCOMPARE(w.cell(0, 0), QStringLiteral("ROOT.TMP"));
        QCOMPARE(w.status(), kSummaryPrefix + "1 byte(s) - 1 file(s).");
        QVERIFY(!w.state().SEARCHING);
        QVERIFY(w.command(3)->isEnabled());
    }

    void rowsReachTheViewInBatches()
    {
        Window w;
        Menu& menu = *w.menu;
        ResultsList& results = menu.results();
        ResultsTableModel& model = menu.resultsModel();
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const auto folder = results.addStartFolder(w.world.drive);
        FileInfo info;
        info.size = 10;
        // Three folders' worth of rows published without the event loop running: the view hears
        // nothing until the batch is due, then one insertion for all of them.
        for (int i = 0; i < 3; ++i) {
            results.append(folder, "F" + std::to_string(i) + ".TMP", info);
            results.append(folder, "G" + std::to_string(i) + ".TMP", info);
            results.publish();
        }
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(inserted.count(), 0);
        QTRY_COMPARE(model.rowCount(), 6);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 0);
        QCOMPARE(inserted.at(0).at(2).toInt(), 5);

        // A removal reaches the view at once, also while later rows are still waiting.
        results.append(folder, "LATE.TMP", info);
        results.publish();
        results.removeAt(1);
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("F1.TMP"));
        model.flush();
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.index(5, 0).data().toString(), QStringLiteral("LATE.TMP"));
        results.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void doubleClickRemovesARow()
    {
        Window w;
        Menu& menu = *w.menu;
        w.world.file("C/A.TMP", "123");
        w.world.file("C/B.TMP", "4567");
        menu.Files(2)->click();
        w.command(1)->click();
        QCOMPARE(w.rows(), 2);

        // No: the row goes, the total drops, the ignore list stays as it was.
        w.boxes().answerNext(MessageAnswer::No);
        w.doubleClickRow(0);
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.boxes().shown[0].text,
                 std::string("Do you want this file to be added to the ignore file list ?"));
        QCOMPARE(w.rows(), 1);
        QCOMPARE(w.cell(0, 0), QStringLiteral("B.TMP"));
        QCOMPARE(w.status(), kSummaryPrefix + "4 byte(s) - 1 file(s).");
        QCOMPARE(menu.StatusBar1()->shownText().toStdString(), w.status());
        QCOMPARE(w.state().IGN_TBL.count(), std::size_t(0));

        // Yes on the last row: it joins the ignore table and list, and Delete is disabled.
        menu.SSTab1()->setCurrentIndex(3);
        w.boxes().answerNext(MessageAnswer::Yes);
        w.doubleClickRow(0);
        QCOMPARE(w.rows(), 0);
        const std::string path = w.world.drive + "B.TMP";
        QCOMPARE(w.state().IGN_TBL.entries(), std::vector<std::string>{path});
        QCOMPARE(listTexts(menu.IgnoreLst()), std::vector<std::string>{path});
        QCOMPARE(w.status(), kSummaryPrefix + "0 byte(s) - 0 file(s).");
        QVERIFY(!w.command(3)->isEnabled());

        // A later search no longer lists it.
        w.command(1)->click();
        QCOMPARE(w.rows(), 1);
        QCOMPARE(w.cell(0, 0), QStringLiteral("A.TMP"));

        // A double-click on the empty area asks nothing.
        doubleClick(menu.ListView1()->viewport(), QPoint(5, menu.ListView1()->viewport()->height() - 3));
        QCOMPARE(w.rows(), 1);
    }

    void statusBarFollowsTheWalkAndEndsOnTheSummary()
    {
        Window w;
        Menu& menu = *w.menu;
        for (const char* path : {"C/a/A.TMP", "C/b/c/B.TMP", "C/d/C.TMP"})
            w.world.file(path);
        menu.Files(2)->click();
        std::vector<std::string> atPumps;
        bool followed = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!w.state().SEARCHING)
                return;
            atPumps.push_back(w.status());
            followed = followed || menu.StatusBar1()->following();
        });
        poll.start(0);
        w.command(1)->click();
        poll.stop();

        // At the pumps the window reads the walk's own text, naming the folder just entered.
        QVERIFY(!atPumps.empty() && followed);
        QCOMPARE(atPumps.front(), "Searching " + w.world.drive + "a");
        for (const std::string& text : atPumps)
            QVERIFY2(text.rfind("Searching " + w.world.drive, 0) == 0, text.c_str());
        // Afterwards it holds and shows the summary, and no longer reads the walk's text.
        const std::string summary = kSummaryPrefix + "3 byte(s) - 3 file(s).";
        QVERIFY(!menu.StatusBar1()->following());
        QCOMPARE(w.status(), summary);
        QCOMPARE(menu.StatusBar1()->shownText().toStdString(), summary);
    }

    void statusLabelFollowsATextChangedInPlace()
    {
        StatusLabel label;
        auto live = std::make_unique<std::string>("Searching /a");
        label.follow(live.get());
        QCOMPARE(label.text(), std::string_view("Searching /a"));
        QVERIFY(label.shownText().isEmpty()); // shown from the next frame on
        label.flush();
        QCOMPARE(label.shownText(), QStringLiteral("Searching /a"));

        // Changed in place: read again at a frame, without being handed over again.
        *live = "Searching /a/b";
        label.follow(live.get());
        QCOMPARE(label.text(), std::string_view("Searching /a/b"));
        QTRY_COMPARE(label.shownText(), QStringLiteral("Searching /a/b"));

        // Let go of: the text stays as it was then, whatever its owner does with it afterwards.
        label.follow(nullptr);
        *live = "Searching /elsewhere";
        live.reset();
        QVERIFY(!label.following());
        QCOMPARE(label.text(), std::string_view("Searching /a/b"));

        // A text set ends the following, and a later let-go keeps it.
        std::string walk = "Searching /x";
        label.follow(&walk);
        label.setText("   Total wasted size : 0 byte(s) - 0 file(s).");
        walk = "Searching /y";
        label.follow(nullptr);
        label.flush();
        QCOMPARE(label.shownText(), QStringLiteral("   Total wasted size : 0 byte(s) - 0 file(s)."));
        QCOMPARE(label.toolTip(), label.shownText());
    }

    void stopAtALaterPumpEntersNoFurtherFolder()
    {
        Window w;
        Menu& menu = *w.menu;
        // One matching file in each of many folders side by side: the rows tell which folders were
        // entered.
        constexpr int kFolders = 1500;
        for (int i = 0; i < kFolders; ++i)
            w.world.file("C/d" + std::to_string(10000 + i) + "/F.TMP");
        menu.Files(2)->click();
        std::string first;
        std::string stoppedAt;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            // The first pump of a search always lets events run; Stop goes at a later one.
            if (!w.state().SEARCHING)
                return;
            if (first.empty())
                first = w.status();
            else if (w.status() != first && stoppedAt.empty()) {
                stoppedAt = w.status();
                w.command(2)->click();
            }
        });
        poll.start(0);
        w.command(1)->click();
        poll.stop();
        if (stoppedAt.empty())
            QSKIP("the search ended before a second pump let events run");

        // The folder named when Stop got through is the last one listed.
        const std::string prefix = "Searching " + w.world.drive;
        QVERIFY(stoppedAt.rfind(prefix, 0) == 0);
        const int entered = std::stoi(stoppedAt.substr(prefix.size() + 1)) - 10000 + 1;
        QVERIFY2(entered >= 2 && entered < kFolders, stoppedAt.c_str());
        QCOMPARE(w.rows(), entered);
        QCOMPARE(w.cell(entered - 1, 1).toStdString(), stoppedAt.substr(std::string("Searching ").size()));
        QCOMPARE(w.status(), kSummaryPrefix + std::to_string(entered) + " byte(s) - " +
                                 std::to_string(entered) + " file(s).");
    }

    void rowRemovalsKeepALongListInStep()
    {
        Window w;
        Menu& menu = *w.menu;
        QTableView* view = menu.ListView1();
        QHeaderView* rows = view->verticalHeader();
        ResultsList& results = menu.results();
        const auto folder = results.addStartFolder(w.world.drive);
        FileInfo info;
        info.type = EntryType::File;
        info.size = 1;
        constexpr int kRows = 5000;
        for (int i = 0; i < kRows; ++i)
            results.append(folder, "R" + std::to_string(10000 + i) + ".TMP", info);
        results.publish();
        menu.flushView();
        QCOMPARE(rows->count(), kRows);

        auto name = [](int original) { return QStringLiteral("R%1.TMP").arg(10000 + original); };
        auto inStep = [&] {
            const int count = static_cast<int>(results.size());
            return w.rows() == count && rows->count() == count &&
                   rows->length() == count * rows->defaultSectionSize();
        };
        // First, middle and last rows: every later row moves up one, the view with them.
        results.removeAt(0);
        results.removeAt(2499);
        results.removeAt(results.size() - 1);
        QVERIFY(inStep());
        QCOMPARE(w.cell(0, 0), name(1));
        QCOMPARE(w.cell(2498, 0), name(2499));
        QCOMPARE(w.cell(2499, 0), name(2501));
        QCOMPARE(w.cell(w.rows() - 1, 0), name(kRows - 2));

        // At the bottom, the last row is the last one drawn, and a double-click on a row there removes
        // that very row.
        view->scrollToBottom();
        QCoreApplication::processEvents();
        const QRect last = view->visualRect(view->model()->index(w.rows() - 1, 0));
        QVERIFY(view->viewport()->rect().contains(last.center()));
        QCOMPARE(view->rowAt(last.bottom() + 2), -1);
        const int before = w.rows();
        QCOMPARE(before, kRows - 3);
        w.state().WASTED_SIZE = before;
        w.boxes().answerNext(MessageAnswer::No);
        w.doubleClickRow(before - 3);
        QVERIFY(inStep());
        QCOMPARE(w.rows(), before - 1);
        QCOMPARE(w.cell(before - 3, 0), name(kRows - 3));
        QCOMPARE(w.status(), kSummaryPrefix + "4,996 byte(s) - 4996 file(s).");

        // Down to nothing one by one, then a new batch.
        while (!results.empty())
            results.removeAt(results.size() / 2);
        QVERIFY(inStep());
        results.append(folder, "NEW.TMP", info);
        results.publish();
        menu.flushView();
        QVERIFY(inStep());
        QCOMPARE(w.cell(0, 0), QStringLiteral("NEW.TMP"));
    }

    void deleteWithoutTheLog()
    {
        Window w;
        const std::string a = w.world.file("C/A.TMP", "123");
        const std::string b = w.world.file("C/sub/B.TMP", "45");
        w.menu->Files(2)->click();
        w.command(1)->click();
        QCOMPARE(w.rows(), 2);
        const std::string summary = w.status();

        w.boxes().answerNext(MessageAnswer::Ok);
        w.command(3)->click();
        QCOMPARE(w.rows(), 0);
        QVERIFY(!w.world.fake.fileSystem->fileInfo(a) && !w.world.fake.fileSystem->fileInfo(b));
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.boxes().shown[0].text, std::string("Selected Files have been correctly killed."));
        QCOMPARE(w.boxes().shown[0].icon, MessageIcon::Information);
        // The deletion leaves the summary and the Delete button alone.
        QCOMPARE(w.status(), summary);
        QVERIFY(w.command(3)->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(!QFile::exists(QString::fromStdString(w.state().DTR_PATH + "/DUSTREL.LOG")));
    }

    void deleteWithTheLog()
    {
        Window w;
        w.world.file("C/A.TMP", "123");
        w.menu->Files(2)->click();
        w.menu->Opt_log()->trigger();
        w.command(1)->click();
        QCOMPARE(w.rows(), 1);

        w.boxes().answerNext(MessageAnswer::Yes);
        w.command(3)->click();
        QCOMPARE(w.rows(), 0);
        const std::string log = w.state().DTR_PATH + "/DUSTREL.LOG";
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.boxes().shown[0].buttons, MessageButtons::YesNo);
        QCOMPARE(w.boxes().shown[0].text, "Selected Files have been correctly killed." + w.state().NEWLINE +
                                              "Do you want to read the Log File ?");
        QCOMPARE(w.world.fake.processes.opened, std::vector<std::string>{log});
        const std::string text = readWholeFile(log);
        QVERIFY(text.find("   -> Killing : " + w.world.drive + "A.TMP\r\n") != std::string::npos);
        QVERIFY(text.find("* Selected type of files :\r\n   *.TMP Files\r\n") != std::string::npos);
    }

    void quitAsksAndNoChangesNothing()
    {
        Window w;
        w.world.fake.registry.createKey(RegistryRoot::LocalMachine, kSettingsKey);
        w.state().CSTM_TBL.setPatterns({"*.JNK"});
        w.boxes().answerNext(MessageAnswer::No);
        w.menu->File_Exit()->trigger();
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        const Message& question = w.boxes().shown[0];
        QCOMPARE(question.text, std::string("Do you really want to quit Dustrel ?"));
        QCOMPARE(question.title, std::string(kProgramTitle));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::Question);
        QCOMPARE(question.defaultAnswer, MessageAnswer::No);
        QVERIFY(w.menu->isVisible());
        QVERIFY(!w.ended);
        QCOMPARE(w.world.fake.registry.writes, 0);
        QCOMPARE(w.state().CSTM_TBL.count(), std::size_t(1));
    }

    void quitWithYesSavesAsTheOptionSays()
    {
        {
            // Option clear: only SaveParams, as "No".
            Window w;
            FakeRegistry& registry = w.world.fake.registry;
            registry.createKey(RegistryRoot::LocalMachine, kSettingsKey);
            w.menu->Files(0)->click();
            w.boxes().answerNext(MessageAnswer::Yes);
            QVERIFY(w.menu->close());
            QVERIFY(w.ended);
            QCOMPARE(registry.get(RegistryRoot::LocalMachine, kSettingsKey, "SaveParams"),
                     std::optional<std::string>("No"));
            QCOMPARE(registry.valueCount(RegistryRoot::LocalMachine, kSettingsKey), std::size_t(1));
        }
        {
            // Option ticked: everything.
            Window w;
            FakeRegistry& registry = w.world.fake.registry;
            registry.createKey(RegistryRoot::LocalMachine, kSettingsKey);
            w.menu->Files(0)->click();
            w.menu->Opt_save()->trigger();
            w.menu->Opt_log()->trigger();
            w.state().CSTM_TBL.setPatterns({"*.JNK"});
            w.boxes().answerNext(MessageAnswer::Yes);
            QVERIFY(w.menu->close());
            QVERIFY(w.ended);
            auto value = [&](const char* name) {
                return registry.get(RegistryRoot::LocalMachine, kSettingsKey, name);
            };
            QCOMPARE(value("SaveParams"), std::optional<std::string>("Yes"));
            QCOMPARE(value("LogFile"), std::optional<std::string>("Yes"));
            QCOMPARE(value("TypeOfFiles"), std::optional<std::string>("1" + std::string(18, '0')));
            QCOMPARE(value("Drives"), std::optional<std::string>("1"));
            QCOMPARE(value("CustomNb"), std::optional<std::string>("1"));
            QCOMPARE(value("Custom1"), std::optional<std::string>("*.JNK"));
            QCOMPARE(value("IgnoreNb"), std::optional<std::string>("0"));
        }
    }

    void quitDuringASearchStopsIt()
    {
        Window w;
        for (int i = 0; i < 30; ++i)
            w.world.file("C/d" + std::to_string(10 + i) + "/F.TMP");
        w.menu->Files(2)->click();
        w.boxes().answerNext(MessageAnswer::Yes);
        QTimer::singleShot(0, w.menu.get(), [&] { w.menu->close(); });
        w.command(1)->click();
        QVERIFY(w.ended);
        QVERIFY(w.rows() < 30);
    }

    void helpOpensThePageInTheInstallationFolder()
    {
        Window w;
        // Missing: said by the program, since the desktop's opener says nothing.
        w.menu->Help_Index()->trigger();
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));
        QCOMPARE(w.boxes().shown[0].icon, MessageIcon::Exclamation);
        QVERIFY(w.world.fake.processes.opened.empty());

        const std::string page = w.world.file("install/DUSTREL.HTML", "<html></html>");
        w.menu->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.menu.get()));
        QTest::keyClick(w.menu.get(), Qt::Key_F1);
        QCOMPARE(w.world.fake.processes.opened, std::vector<std::string>{page});
        QCOMPARE(w.boxes().shown.size(), std::size_t(1));

        // The About box is another window's; until it is provided the command does nothing.
        w.menu->Help_About()->trigger();
        bool shown = false;
        w.menu->setAboutBox([&](QWidget& owner) { shown = &owner == w.menu.get(); });
        w.menu->Help_About()->trigger();
        QVERIFY(shown);
    }
};

int runMenuTest(int argc, char** argv)
{
    MenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MenuTest.moc"
