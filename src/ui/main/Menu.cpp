#include "ui/main/Menu.h"

#include "platform/Platform.h"
#include "settings/Parameters.h"
#include "settings/RegistryAccess.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/ChoiceBox.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/EventLoop.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/dialogs/CustomType.h"
#include "ui/dialogs/Ignore.h"
#include "ui/main/ListEntries.h"
#include "ui/main/ResultsTableModel.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

namespace dustrel {

Menu::Menu(ProgramState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_platform(platform),
      m_results(platform.pathRules.separator), m_context{state, platform, *this, m_results}
{
    setObjectName(QStringLiteral("Menu"));
    setWindowIcon(Images::windowIcon());
    m_scale = TwipsScale::forWidget(*this);

    createMenus();
    createElements();
    createPanels();
    setFocusOrder();

    m_state.choices.setObserver(this);
    choicesChanged();
    Form_Load();

    // First position: the laid-out size, centred on the screen.
    resize(minimumSizeHint());
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

Menu::~Menu()
{
    // The model watches m_results, which goes before the children do.
    m_listView1->setModel(nullptr);
    delete m_model;
    m_model = nullptr;
    m_state.choices.setObserver(nullptr);
    setPointer(Pointer::Default);
}

void Menu::choicesChanged()
{
    const Choices& choices = m_state.choices;
    for (std::size_t i = 0; i < kFileTypeCount; ++i)
        m_files[i]->display(choices.files()[i]);
    for (std::size_t i = 0; i < kSpecialFolderCount; ++i)
        m_dirs[i]->display(choices.dirs()[i]);
    createDriveBoxes();
    for (std::size_t k = 0; k < choices.drives().size(); ++k) {
        const DriveEntry& drive = choices.drives()[k];
        m_drives[k]->display(drive.box);
        // The letter alone does not say where the drive is on this system.
        if (!drive.root.empty())
            m_drives[k]->setToolTip(toQString(drive.box.toolTip + " - " + drive.root));
    }
    m_optLog->setChecked(choices.optLog());
    m_optSave->setChecked(choices.optSave());
    m_optTrash->setChecked(choices.optTrash());
}

// ---- Layout -------------------------------------------------------------------------------------

void Menu::keyPressEvent(QKeyEvent* event)
{
    // Enter acts on the default button, as in a dialog: Search when idle, Stop while searching.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QPushButton* command : {m_commands[0], m_commands[1], m_commands[2]}) {
            if (command->isDefault() && command->isEnabled()) {
                command->click();
                return;
            }
        }
    }
    QMainWindow::keyPressEvent(event);
}

bool Menu::listKeyPressed(QObject* watched, const QKeyEvent& key)
{
    const bool menuKey =
        key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
    if (watched == m_listView1 && menuKey) {
        const QModelIndex current = m_listView1->currentIndex();
        ListView1_ContextMenu(current.isValid() ? m_listView1->visualRect(current).center() : QPoint());
        return true;
    }
    if (key.key() != Qt::Key_Delete || key.modifiers() != Qt::NoModifier)
        return false;
    if (watched == m_listView1) {
        // Several rows: asked once, naming their count. One: the double-click's question.
        if (m_listView1->selectionModel()->selectedRows().size() > 1) {
            removeSelectedResults();
            return true;
        }
        const QModelIndex current = m_listView1->currentIndex();
        if (current.isValid())
            m_listView1->selectRow(current.row());
        ListView1_DblClick();
    } else if (watched == m_ignoreLst) {
        IgnoreLst_DblClick();
    } else if (watched == m_customLst) {
        CustomLst_DblClick();
    } else {
        return false;
    }
    return true;
}

// ---- Window commands ----------------------------------------------------------------------------

void Menu::Form_Load()
{
    setWindowTitle(toQString(kProgramTitle));
}

void Menu::SSTab1_Click(int)
{
    if (m_ssTab1->currentIndex() == 3)
        fillUserLists();
}

void Menu::fillUserLists()
{
    m_ignoreLst->clear();
    for (const std::string& entry : m_state.IGN_TBL.entries())
        listEntry(m_ignoreLst, entry);
    m_customLst->clear();
    for (const std::string& pattern : m_state.CSTM_TBL.patterns())
        listEntry(m_customLst, pattern);
}

void Menu::rebuildIgnoreTable()
{
    m_state.IGN_TBL.reset(m_state.TMP_FILE);
    m_state.IGN_TBL.setEntries(listEntries(m_ignoreLst));
}

void Menu::rebuildCustomTable()
{
    m_state.CSTM_TBL.setPatterns(listEntries(m_customLst));
}

int Menu::runDialog(QDialog& dialog)
{
    return m_runDialog ? m_runDialog(dialog) : dialog.exec();
}

void Menu::Command4_Click()
{
    {
        Ignore dialog(m_state, m_platform, this);
        if (runDialog(dialog) == QDialog::Accepted && !dialog.chosenPath().empty())
            listEntry(m_ignoreLst, dialog.chosenPath());
    }
    rebuildIgnoreTable();
}

void Menu::Command5_Click()
{
    QListWidgetItem* selected = m_ignoreLst->currentItem();
    if (selected != nullptr && selected->isSelected())
        delete selected;
    rebuildIgnoreTable();
}

void Menu::Command6_Click()
{
    {
        CustomType dialog(m_state, m_platform.messageBoxes, this);
        if (runDialog(dialog) == QDialog::Accepted && !dialog.pattern().empty())
            listEntry(m_customLst, dialog.pattern());
    }
    rebuildCustomTable();
}

void Menu::Command7_Click()
{
    QListWidgetItem* selected = m_customLst->currentItem();
    if (selected != nullptr && selected->isSelected())
        delete selected;
    rebuildCustomTable();
}

void Menu::IgnoreLst_DblClick()
{
    Command5_Click();
}

void Menu::CustomLst_DblClick()
{
    Command7_Click();
}

void Menu::opt_log_Click()
{
    m_state.choices.setOptLog(!m_state.choices.optLog());
    m_optLog->setChecked(m_state.choices.optLog());
}

void Menu::opt_save_Click()
{
    m_state.choices.setOptSave(!m_state.choices.optSave());
    m_optSave->setChecked(m_state.choices.optSave());
}

void Menu::opt_trash_Click()
{
    m_state.choices.setOptTrash(!m_state.choices.optTrash());
    m_optTrash->setChecked(m_state.choices.optTrash());
}

void Menu::File_Exit_Click()
{
    close();
}

void Menu::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_QueryUnload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void Menu::Form_QueryUnload(bool& cancel)
{
    if (m_ending)
        return;
    const MessageAnswer answer = m_platform.messageBoxes.show(
        programQuestion("Do you really want to quit Dustrel ?", MessageAnswer::No));
    if (answer != MessageAnswer::Yes) {
        cancel = true;
        return;
    }
    RegistryAccess registry(m_platform.registry, m_platform.messageBoxes);
    SaveParameters(m_state, registry, m_state.choices.optSave());
    endProgram();
}

void Menu::endProgram()
{
    m_ending = true;
    // A search in progress stops before the next folder it would enter.
    m_state.SEARCHING.stop();
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    endEventLoop(this);
}

void Menu::Help_index_Click()
{
    OpenHelpPage(m_state, m_platform, 0);
}

void Menu::Help_About_Click()
{
    if (m_aboutBox)
        m_aboutBox(*this);
}

} // namespace dustrel
