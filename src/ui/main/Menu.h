#pragma once

#include "platform/Result.h"
#include "scan/ResultsList.h"
#include "scan/WorkContext.h"
#include "state/Choices.h"
#include "state/WindowHost.h"
#include "ui/common/TwipsScale.h"

#include <QMainWindow>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QFrame;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;

namespace dustrel {

class ChoiceBox;
class ResultsTableModel;
class StatusLabel;
struct Platform;
struct ProgramState;

// The main window: the choices of what counts as rubbish on four tabs, the Search, Stop and Delete
// commands, the results list and the status bar, and the menus. It shows the choices of
// ProgramState::choices and edits them, shows the two user tables on the Advanced tab, and is the
// WindowHost the search and the deletion report to.
//
// Start-up creates it, shows it disabled, runs InitFileTypes, GetHardDrives (the drive boxes appear as
// drives are found), InitPublicVariables and LoadParameters (with this window as its WindowHost), then
// enables and maximises it.
class Menu : public QMainWindow, public WindowHost, private ChoicesObserver
{
    Q_OBJECT
public:
    Menu(ProgramState& state, Platform& platform, QWidget* parent = nullptr);
    ~Menu() override;

    // What the search, the row commands and the deletion work on, with this window as their host.
    WorkContext& context() { return m_context; }
    ResultsList& results() { return m_results; }
    ResultsTableModel& resultsModel() { return *m_model; }

    // WindowHost.
    void setCommandEnabled(Command command, bool enabled) override;
    void setCommandDefault(Command command, bool isDefault) override;
    void setStatusText(std::string_view text) override;
    std::string_view statusText() const override;
    // The status bar reads the walk's text once a frame instead of taking a copy per folder.
    void followStatusText(const std::string* live) override;
    void setPointer(Pointer pointer) override;
    // Lets pending events run, at most once every kPumpInterval: a walk entering tens of thousands of
    // folders a second would otherwise spend a good share of its time asking an empty event queue. The
    // first pump of a search always lets them run.
    void pumpEvents() override;
    static constexpr std::chrono::milliseconds kPumpInterval{5};
    Pointer pointer() const { return m_pointer; }

    // Shows the latest rows and status text at once instead of at the next frame.
    void flushView();

    // How modal dialogs are run: exec() unless replaced. Tests drive the dialog from here without a modal
    // loop and return its result.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }
    // How the results list's context menu is run: exec() at the point unless replaced. Tests choose the
    // action from here.
    using MenuRunner = std::function<QAction*(QMenu&, QPoint)>;
    void setMenuRunner(MenuRunner runner) { m_runMenu = std::move(runner); }
    // The About box, shown modally with this window as owner. Nothing until the About box is provided.
    void setAboutBox(std::function<void(QWidget& owner)> about) { m_aboutBox = std::move(about); }
    // Ends the program after a confirmed quit. By default every window closes and the event loop ends;
    // a search in progress stops before its next folder.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    const TwipsScale& scale() const { return m_scale; }

    // Elements, by their names.
    QPushButton* commandButton(int number) const; // Command1 to Command7
    ChoiceBox* Files(std::size_t index) const { return m_files[index]; }
    ChoiceBox* Dirs(std::size_t index) const { return m_dirs[index]; }
    ChoiceBox* Drive(std::size_t index) const { return index < m_drives.size() ? m_drives[index] : nullptr; }
    std::size_t driveBoxes() const { return m_drives.size(); }
    QListWidget* IgnoreLst() const { return m_ignoreLst; }
    QListWidget* CustomLst() const { return m_customLst; }
    QTableView* ListView1() const { return m_listView1; }
    QTabWidget* SSTab1() const { return m_ssTab1; }
    QWidget* TabPctr(int index) const { return m_tabPctr[static_cast<std::size_t>(index)]; }
    QLabel* Label1(int index) const { return m_label1[static_cast<std::size_t>(index)]; }
    QFrame* Line1() const { return m_line1; }
    StatusLabel* StatusBar1() const { return m_statusBar1; }
    QAction* Opt_log() const { return m_optLog; }
    QAction* Opt_save() const { return m_optSave; }
    QAction* Opt_trash() const { return m_optTrash; }
    QAction* File_Exit() const { return m_fileExit; }
    QAction* Help_Index() const { return m_helpIndex; }
    QAction* Help_About() const { return m_helpAbout; }

    // Handlers, named after the element and the event.
    void Form_Load();
    void Form_Resize();
    void Form_QueryUnload(bool& cancel);
    void TabPctr_Resize(int index);
    void SSTab1_Click(int previousTab);
    // The Search command; a refusal or a search that could not look everywhere is told in a message.
    void Command1_Click();
    // The search of Command1_Click, leaving a refusal for the caller to tell (see RunSearch).
    Result<void> search();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void IgnoreLst_DblClick();
    void CustomLst_DblClick();
    void ListView1_DblClick();
    // The results list's context menu at a point of the list's viewport (the Menu key and Shift+F10 open
    // it at the current row): remove the selected rows, add them to the ignore list, open the current
    // row's folder.
    void ListView1_ContextMenu(QPoint at);
    // The selected rows, as numbers in the results list.
    std::vector<std::size_t> selectedResults() const;
    void opt_log_Click();
    void opt_save_Click();
    void opt_trash_Click();
    void File_Exit_Click();
    void Help_index_Click();
    void Help_About_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void choicesChanged() override;
    // The Delete key on a list does what a double-click on its row does.
    bool listKeyPressed(QObject* watched, const QKeyEvent& key);
    void removeSelectedResults();
    void ignoreSelectedResults();
    void openResultFolder();

    void createMenus();
    void createElements();
    void createResultsView();
    void createPanels();
    void createAdvancedPanel();
    ChoiceBox* createBox(QWidget* panel, const char* name, std::size_t index);
    void createDriveBoxes();
    void setFocusOrder();
    void layOutPanels();
    void rebuildIgnoreTable();
    void rebuildCustomTable();
    void fillUserLists();
    int runDialog(QDialog& dialog);
    void endProgram();
    QPushButton* button(Command command) const;

    ProgramState& m_state;
    Platform& m_platform;
    ResultsList m_results;
    WorkContext m_context;
    TwipsScale m_scale;

    Pointer m_pointer = Pointer::Default;
    std::chrono::steady_clock::time_point m_nextPump{};
    bool m_cursorOverridden = false;
    bool m_syncing = false;
    bool m_ending = false;
    // A deletion runs: the rows it works through must not change under it at its event pumps.
    bool m_deleting = false;

    DialogRunner m_runDialog;
    MenuRunner m_runMenu;
    std::function<void(QWidget&)> m_aboutBox;
    std::function<void()> m_endProgram;

    QWidget* m_client = nullptr;
    QFrame* m_frame1 = nullptr;
    QLabel* m_image1 = nullptr;
    QTabWidget* m_ssTab1 = nullptr;
    std::array<QWidget*, 4> m_tabPctr{};
    std::array<QLabel*, 5> m_label1{};
    std::array<QPushButton*, 7> m_commands{};
    std::array<ChoiceBox*, kFileTypeCount> m_files{};
    std::array<ChoiceBox*, kSpecialFolderCount> m_dirs{};
    std::vector<ChoiceBox*> m_drives;
    QListWidget* m_ignoreLst = nullptr;
    QListWidget* m_customLst = nullptr;
    QFrame* m_line1 = nullptr;
    QTableView* m_listView1 = nullptr;
    ResultsTableModel* m_model = nullptr;
    StatusLabel* m_statusBar1 = nullptr;

    QMenu* m_mnuFile = nullptr;
    QMenu* m_mnuOpt = nullptr;
    QMenu* m_mnuHelp = nullptr;
    QAction* m_fileExit = nullptr;
    QAction* m_optLog = nullptr;
    QAction* m_optSave = nullptr;
    QAction* m_optTrash = nullptr;
    QAction* m_helpIndex = nullptr;
    QAction* m_helpAbout = nullptr;
};

} // namespace dustrel
