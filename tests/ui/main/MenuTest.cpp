// The main window driven as a user drives it: boxes, lists, dialogs, search, results, menus and quit.

#include "ui/main/Menu.h"

#include "settings/Parameters.h"
#include "state/ProgramInfo.h"
#include "ui/common/ChoiceBox.h"
#include "ui/common/StatusLabel.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/MenuWindow.h"
#include "ui/main/ResultsTableModel.h"

#include <QAction>
#include <QApplication>
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
#include <tuple>

using namespace dustrel;
using namespace dustrel::test;

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

    void startsWithOnlySearchAtHand()
    {
        Window w;
        QVERIFY(w.command(1)->isEnabled() && w.command(1)->isDefault());
        QVERIFY(!w.command(2)->isEnabled() && !w.command(3)->isEnabled());
        QCOMPARE(w.menu->SSTab1()->currentIndex(), 0);
        QVERIFY(w.menu->statusText().empty());
    }

    void boxesAndMarksEditTheChoicesAndShowThem()
    {
        Window w;
        Menu& menu = *w.menu;
        Choices& choices = w.state().choices;
        menu.Files(0)->click();
        menu.Files(3)->click();
        menu.Files(0)->click();
        BuildFilter(w.state());
        QCOMPARE(w.state().FILTRE, std::string("*.~*;~*.*"));
        // A greyed box from the saved parameters shows greyed, and a click clears it rather than ticks it.
        choices.setFileState(5, CheckState::Greyed);
        QCOMPARE(menu.Files(5)->checkState(), Qt::PartiallyChecked);
        menu.Files(5)->click();
        QCOMPARE(choices.files()[5].state, CheckState::Clear);
        menu.Dirs(2)->click();
        QVERIFY(choices.dirs()[2].ticked());
        menu.Drive(0)->click();
        QCOMPARE(choices.drives()[0].box.state, CheckState::Clear);
        choices.setDirEnabled(1, false);
        choices.setDirToolTip(0, "/tmp");
        QVERIFY(!menu.Dirs(1)->isEnabled());
        QCOMPARE(menu.Dirs(0)->toolTip(), QStringLiteral("/tmp"));

        // The check mark is the option, and toggling writes nothing yet.
        QVERIFY(!menu.Opt_log()->isChecked() && !menu.Opt_save()->isChecked());
        menu.Opt_log()->trigger();
        QVERIFY(choices.optLog() && menu.Opt_log()->isChecked());
        menu.Opt_log()->trigger();
        menu.Opt_save()->trigger();
        menu.Opt_trash()->trigger();
        QVERIFY(!choices.optLog() && !menu.Opt_log()->isChecked());
        QVERIFY(choices.optSave() && menu.Opt_save()->isChecked());
        QVERIFY(choices.optTrash() && menu.Opt_trash()->isChecked());
        QCOMPARE(w.world.fake.registry.writes, 0);
        choices.setOptLog(true);
        QVERIFY(menu.Opt_log()->isChecked());
    }

    void panelsShowEleventhDriveOnTheRightAndNoCaptionCut()
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
        QCOMPARE(menu.Drive(10)->text(), QStringLiteral("Drive M:"));

        for (int tab = 0; tab < 4; ++tab) {
            menu.SSTab1()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            QWidget* panel = menu.TabPctr(tab);
            for (QWidget* element : panel->findChildren<QWidget*>()) {
                if ((qobject_cast<QLabel*>(element) != nullptr ||
                     qobject_cast<QCheckBox*>(element) != nullptr) &&
                    element->isVisibleTo(panel)) {
                    const QString what = element->objectName() + element->property("index").toString();
                    QVERIFY2(element->width() >= element->sizeHint().width(), qPrintable(what));
                    QVERIFY2(element->geometry().right() < panel->width(), qPrintable(what));
                }
            }
        }
        // The eleventh drive heads the right column, level with the first and in line with the file types'.
        QVERIFY(menu.Drive(10)->isVisibleTo(menu.TabPctr(2)));
        QCOMPARE(menu.Drive(10)->y(), menu.Drive(0)->y());
        QCOMPARE(menu.Drive(10)->x(), menu.Files(10)->x());
        QVERIFY(menu.Drive(10)->x() > menu.Drive(9)->geometry().right());
        for (std::size_t k = 0; k + 1 < 10; ++k)
            QVERIFY(menu.Drive(k)->geometry().bottom() < menu.Drive(k + 1)->geometry().top());
    }

    void resizeKeepsTheMinimumAndGrowsTheRightElements()
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
        // As designed, or wider where the caption needs it, never running into the next one.
        for (int i = 0; i < 4; ++i)
            QVERIFY2(header->sectionSize(i) >= scale.px(columns[i]) - 1 &&
                         header->sectionSize(i) >= header->sectionSizeHint(i),
                     qPrintable(QStringLiteral("column %1").arg(i)));

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

    void advancedTabListsShowAndEditTheTables()
    {
        Window w;
        Menu& menu = *w.menu;
        IgnoreTable& ignored = w.state().IGN_TBL;
        CustomTable& custom = w.state().CSTM_TBL;
        QListWidget* ignoreList = menu.IgnoreLst();
        QListWidget* customList = menu.CustomLst();
        auto doubleClickItem = [](QListWidget* list, int row) {
            doubleClick(list->viewport(), list->visualItemRect(list->item(row)).center());
        };
        // Filled as the tab is shown: the bytes of an entry that is not UTF-8 shown with a replacement
        // character, and kept.
        ignored.setEntries({"/a/X.TMP", "/b/\xff.TMP"});
        custom.setPatterns({"*.JNK"});
        ignoreList->addItem(QStringLiteral("not in the table"));
        menu.SSTab1()->setCurrentIndex(3);
        QCOMPARE(listTexts(ignoreList), (std::vector<std::string>{"/a/X.TMP", "/b/\xef\xbf\xbd.TMP"}));
        QCOMPARE(listTexts(customList), std::vector<std::string>{"*.JNK"});
        // Remove with nothing selected removes nothing; a rebuild from the list keeps the bytes and puts
        // TMP_FILE back in slot 0; a double-click removes the entry under the pointer without a question.
        ignoreList->clearSelection();
        w.command(5)->click();
        QCOMPARE(ignored.count(), std::size_t(2));
        ignoreList->setCurrentRow(0);
        w.command(5)->click();
        QCOMPARE(ignored.slot(0), w.state().TMP_FILE);
        QCOMPARE(ignored.entries(), std::vector<std::string>{"/b/\xff.TMP"});
        doubleClickItem(ignoreList, 0);
        doubleClickItem(customList, 0);
        QCOMPARE(ignored.count(), std::size_t(0));
        QCOMPARE(ignored.highestIndex(), std::size_t(1)); // TMP_FILE and the spare slot
        QCOMPARE(custom.highestIndex(), std::size_t(0));

        // Add: Cancel adds nothing; OK twice on the same file or pattern gives two entries.
        const std::string picked = w.world.file("C/home/KEEP.TMP");
        w.state().choices.setFileState(2, CheckState::Ticked);
        bool confirm = false;
        bool modalToTheWindow = true;
        bool openedEmpty = true;
        w.onDialog = [&](QDialog& dialog) {
            modalToTheWindow = modalToTheWindow && dialog.isModal() && dialog.parentWidget() == &menu;
            if (auto* ignore = qobject_cast<Ignore*>(&dialog)) {
                const auto found = ignore->File1()->findItems(QStringLiteral("KEEP.TMP"), Qt::MatchExactly);
                if (!found.isEmpty())
                    ignore->File1()->setCurrentItem(found.front());
                (confirm ? ignore->Command1() : ignore->Command2())->click();
            } else if (auto* type = qobject_cast<CustomType*>(&dialog)) {
                openedEmpty = openedEmpty && type->Text1()->text().isEmpty();
                QTest::keyClicks(type->Text1(), QStringLiteral("*.jnk"));
                confirm ? type->Command1()->click() : type->reject();
            }
            return dialog.result();
        };
        for (const bool ok : {false, true, true}) {
            confirm = ok;
            w.command(4)->click();
            w.command(6)->click();
        }
        QVERIFY(modalToTheWindow && openedEmpty);
        QCOMPARE(ignored.entries(), (std::vector<std::string>{picked, picked}));
        QCOMPARE(listTexts(ignoreList), (std::vector<std::string>{picked, picked}));
        QCOMPARE(custom.patterns(), (std::vector<std::string>{"*.JNK", "*.JNK"}));
        QCOMPARE(listTexts(customList), (std::vector<std::string>{"*.JNK", "*.JNK"}));
        customList->setCurrentRow(1);
        w.command(7)->click();
        QCOMPARE(custom.patterns(), std::vector<std::string>{"*.JNK"});
    }

    void searchShowsItsProgressThenTheRowsAndTheSummary()
    {
        Window w;
        Menu& menu = *w.menu;
        w.world.file("C/A.TMP", "12345");
        w.world.file("C/keep.txt");
        w.world.file("C/a/B.BAK", std::string(1500, 'b'));
        w.world.file("C/a/deeper/c.tmp", "");
        menu.Files(0)->click();
        // At the pumps Stop stands in for Search as the default, the pointer shows the work, and the status
        // bar reads the walk's own text, naming the folder just entered.
        std::vector<std::string> atPumps;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!w.state().SEARCHING)
                return;
            atPumps.push_back(w.status());
            QVERIFY(menu.StatusBar1()->following());
            QVERIFY(!w.command(1)->isEnabled() && !w.command(1)->isDefault());
            QVERIFY(w.command(2)->isEnabled() && w.command(2)->isDefault());
            QCOMPARE(menu.pointer(), Pointer::ArrowHourglass);
            QVERIFY(QApplication::overrideCursor() != nullptr);
        });
        poll.start(0);
        w.searchTmp();
        poll.stop();
        QVERIFY(!atPumps.empty());
        QCOMPARE(atPumps.front(), "Searching " + w.world.drive + "a");
        for (const std::string& text : atPumps)
            QVERIFY2(text.rfind("Searching " + w.world.drive, 0) == 0, text.c_str());

        const QString drive = QString::fromStdString(w.world.drive);
        QCOMPARE(texts(w.rows(),
                       [&](int row) {
                           return w.cell(row, 0) + " | " + w.cell(row, 1) + " | " + w.cell(row, 2) + " | " +
                                  w.cell(row, 4);
                       }),
                 (QStringList{"A.TMP | " + drive + " | 5 | *.TMP Files",
                              "B.BAK | " + drive + "a | 1,500 | *.BAK Files",
                              "c.tmp | " + drive + "a/deeper | 0 | *.TMP Files"}));
        QVERIFY(!w.cell(2, 3).isEmpty());
        QAbstractItemModel* model = menu.ListView1()->model();
        QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Rule"));
        const QModelIndex size = model->index(0, 2);
        QCOMPARE(size.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
        // A row a deletion left behind says why on every column.
        menu.results().setStayReason(1, "in use: a process holds it open");
        QVERIFY(model->index(1, 0)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .endsWith("\nin use: a process holds it open"));
        QVERIFY(!model->index(0, 0).data(Qt::ToolTipRole).isValid());
        // Afterwards the status bar holds and shows the summary, no longer reading the walk's text.
        QVERIFY(!menu.StatusBar1()->following());
        QCOMPARE(w.status(), summary("1,505", 3));
        QCOMPARE(w.shownStatus(), w.status());
        QVERIFY(w.command(1)->isDefault() && !w.command(2)->isEnabled() && w.command(3)->isEnabled());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void statusLabelFollowsATextChangedInPlace()
    {
        StatusLabel label;
        auto live = std::make_unique<std::string>("Searching /a");
        label.follow(live.get());
        QVERIFY(label.shownText().isEmpty()); // shown from the next frame on
        label.flush();
        QCOMPARE(label.shownText(), QStringLiteral("Searching /a"));
        // Changed in place: read again at a frame, without being handed over again.
        *live = "Searching /a/b";
        QTRY_COMPARE(label.shownText(), QStringLiteral("Searching /a/b"));

        // Let go of: the text stays as it was then, whatever its owner does with it afterwards.
        label.follow(nullptr);
        live.reset();
        QVERIFY(!label.following());
        QCOMPARE(label.text(), std::string_view("Searching /a/b"));

        // A text set ends the following, and a later let-go keeps it.
        std::string walk = "Searching /x";
        label.follow(&walk);
        label.setText(summary("0", 0));
        walk = "Searching /y";
        label.follow(nullptr);
        label.flush();
        QCOMPARE(label.shownText().toStdString(), summary("0", 0));
        QCOMPARE(label.toolTip(), label.shownText());
    }

    void stopAtAPumpEntersNoFurtherFolder()
    {
        Window w;
        Menu& menu = *w.menu;
        // One matching file in each of a few folders side by side: the rows tell which were entered.
        constexpr int kFolders = 3;
        for (int i = 0; i < kFolders; ++i)
            w.world.file("C/d" + std::to_string(10000 + i) + "/F.TMP");

        // At the first pump, which always lets events run, after the first folder: Stop, and on the way
        // the tabs and the lists.
        w.state().IGN_TBL.setEntries({"/x/Y.TMP"});
        QTimer::singleShot(0, &menu, [&] {
            menu.SSTab1()->setCurrentIndex(3);
            w.command(2)->click();
        });
        w.searchTmp();
        QCOMPARE(menu.IgnoreLst()->count(), 1);
        QCOMPARE(w.rows(), 1);
        QCOMPARE(w.cell(0, 1).toStdString(), w.world.drive + "d10000");
        QCOMPARE(w.status(), "   Search stopped: " + summary("1", 1).substr(3));
        QVERIFY(!w.state().SEARCHING && w.command(3)->isEnabled());
    }

    void theViewKeepsInStepWithTheResults()
    {
        Window w;
        Menu& menu = *w.menu;
        QTableView* view = menu.ListView1();
        QHeaderView* rows = view->verticalHeader();
        ResultsList& results = menu.results();
        ResultsTableModel& model = menu.resultsModel();
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        auto folder = results.addStartFolder(w.world.drive);
        FileInfo info;
        info.type = EntryType::File;
        info.size = 1;
        // Three folders' worth of rows published without the event loop running: the view hears nothing
        // until the batch is due, then one insertion for all of them.
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
        QCOMPARE(w.cell(1, 0), QStringLiteral("F1.TMP"));
        model.flush();
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(w.cell(5, 0), QStringLiteral("LATE.TMP"));
        results.clear();
        QCOMPARE(model.rowCount(), 0);

        // A long list: after first, middle and last rows go, every later row moves up one, the view and its
        // row header with them.
        constexpr int kRows = 5000;
        folder = results.addStartFolder(w.world.drive); // the numbers of before the clear name nothing
        for (int i = 0; i < kRows; ++i)
            results.append(folder, "R" + std::to_string(10000 + i) + ".TMP", info);
        results.publish();
        menu.flushView();
        auto name = [](int original) { return QStringLiteral("R%1.TMP").arg(10000 + original); };
        auto inStep = [&] {
            const int count = static_cast<int>(results.size());
            return w.rows() == count && rows->count() == count &&
                   rows->length() == count * rows->defaultSectionSize();
        };
        QVERIFY(inStep());
        results.removeAt(0);
        results.removeAt(2499);
        results.removeAt(results.size() - 1);
        QVERIFY(inStep());
        QCOMPARE(w.cell(0, 0), name(1));
        QCOMPARE(w.cell(2498, 0), name(2499));
        QCOMPARE(w.cell(2499, 0), name(2501));
        QCOMPARE(w.cell(w.rows() - 1, 0), name(kRows - 2));

        // At the bottom the last row is the last one drawn, and a double-click on a row there takes that
        // very row: Yes shows its file in the ignore list and the new total at once.
        view->scrollToBottom();
        QCoreApplication::processEvents();
        const QRect last = view->visualRect(view->model()->index(w.rows() - 1, 0));
        QVERIFY(view->viewport()->rect().contains(last.center()));
        QCOMPARE(view->rowAt(last.bottom() + 2), -1);
        const int before = w.rows();
        w.boxes().answerNext(MessageAnswer::Yes);
        w.doubleClickRow(before - 3);
        QVERIFY(inStep());
        QCOMPARE(w.rows(), before - 1);
        QCOMPARE(w.cell(before - 3, 0), name(kRows - 3));
        QCOMPARE(listTexts(menu.IgnoreLst()), std::vector<std::string>{w.world.drive + "R14996.TMP"});
        QCOMPARE(w.shownStatus(), summary("4,996", 4996));

        // Down to nothing one by one, then a new batch; a double-click below its row asks nothing.
        while (!results.empty())
            results.removeAt(results.size() / 2);
        QVERIFY(inStep());
        results.append(folder, "NEW.TMP", info);
        results.publish();
        menu.flushView();
        QVERIFY(inStep());
        QCOMPARE(w.cell(0, 0), QStringLiteral("NEW.TMP"));
        doubleClick(view->viewport(), QPoint(5, view->viewport()->height() - 3));
        QCOMPARE(w.rows(), 1);
    }

    void deleteRemovesTheFilesAndOffersTheLogTheMenuAskedFor()
    {
        Window w;
        const std::string a = w.world.file("C/A.TMP", "123");
        const std::string b = w.world.file("C/sub/B.TMP", "45");
        w.menu->Opt_log()->trigger();
        w.searchTmp();
        QCOMPARE(w.rows(), 2);

        w.boxes().answerNext(MessageAnswer::Yes);
        w.command(3)->click();
        QCOMPARE(w.rows(), 0);
        QVERIFY(!w.world.fake.fileSystem->fileInfo(a) && !w.world.fake.fileSystem->fileInfo(b));
        QCOMPARE(w.world.fake.processes.opened,
                 std::vector<std::string>{w.state().DTR_PATH + "/DUSTREL.LOG"});
        QCOMPARE(w.status(), summary("0", 0));
        QVERIFY(!w.command(3)->isEnabled() && QApplication::overrideCursor() == nullptr);
    }

    void aDeletionShowsItsProgressThenWhatStayed()
    {
        Window w;
        // Nothing listed: nothing happens, and no success is claimed.
        w.menu->Command3_Click();
        QVERIFY(w.boxes().shown.empty());

        for (const char* name : {"C/A.TMP", "C/B.TMP", "C/C.TMP"})
            w.world.file(name, "12");
        w.searchTmp();
        w.world.file("C/B.TMP", "1234"); // changed since the search: it stays
        std::string atPump;
        QTimer::singleShot(0, w.menu.get(), [&] {
            atPump = w.status() + (w.command(1)->isEnabled() || w.command(3)->isEnabled() ? " enabled" : "");
            w.doubleClickRow(0); // the rows under deletion do not change: no question, no removal
        });
        w.command(3)->click();
        QCOMPARE(atPump, std::string("Deleting 1 of 3 files..."));
        QCOMPARE(w.boxes().shown.size(), std::size_t(1)); // the final message only
        QCOMPARE(w.rows(), 1);
        QCOMPARE(w.cell(0, 0), QStringLiteral("B.TMP"));
        QCOMPARE(w.status(), summary("2", 1));
        QVERIFY(w.command(1)->isEnabled() && w.command(3)->isEnabled());
    }

    void quitAsksThenSavesAsTheOptionSays()
    {
        // No ends nothing and writes nothing; Yes saves only SaveParams with the option clear, and every
        // choice as the window shows it (the drives' roots with their ticks) with the option ticked.
        const std::tuple<MessageAnswer, bool, std::size_t> cases[] = {
            {MessageAnswer::No, true, 0}, {MessageAnswer::Yes, false, 1}, {MessageAnswer::Yes, true, 10}};
        for (const auto& [answer, option, saved] : cases) {
            Window w;
            FakeRegistry& registry = w.world.fake.registry;
            ASSERT_TRUE(registry.createKey(RegistryRoot::LocalMachine, kSettingsKey).ok());
            w.menu->Files(0)->click();
            if (option) {
                w.menu->Opt_save()->trigger();
                w.menu->Opt_trash()->trigger();
            }
            w.state().CSTM_TBL.setPatterns({"*.JNK"});
            w.boxes().answerNext(answer);
            w.menu->File_Exit()->trigger();

            QCOMPARE(w.boxes().shown.size(), std::size_t(1));
            QCOMPARE(w.boxes().shown[0].defaultAnswer, MessageAnswer::No);
            QCOMPARE(w.ended, answer == MessageAnswer::Yes);
            QCOMPARE(w.menu->isVisible(), !w.ended);
            QCOMPARE(registry.valueCount(RegistryRoot::LocalMachine, kSettingsKey), saved);
            if (saved > 1) {
                QCOMPARE(registry.get(RegistryRoot::LocalMachine, kSettingsKey, "TypeOfFiles"),
                         std::optional<std::string>("1" + std::string(18, '0')));
                QCOMPARE(registry.get(RegistryRoot::LocalMachine, kSettingsKey, "Custom1"),
                         std::optional<std::string>("*.JNK"));
                QCOMPARE(registry.get(RegistryRoot::LocalMachine, kSettingsKey, "UseTrash"),
                         std::optional<std::string>("Yes"));
            }
        }
    }

    void quitDuringASearchStopsIt()
    {
        Window w;
        for (int i = 0; i < 30; ++i)
            w.world.file("C/d" + std::to_string(10 + i) + "/F.TMP");
        w.boxes().answerNext(MessageAnswer::Yes);
        QTimer::singleShot(0, w.menu.get(), [&] { w.menu->close(); });
        w.searchTmp();
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
    }
};

int runMenuTest(int argc, char** argv)
{
    MenuTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MenuTest.moc"
