#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QPushButton;

namespace dustrel {

class FolderList;
struct Platform;
struct ProgramState;

// "Add a file to ignore": the user picks one existing file by drive, folder and file. The file list
// shows the files that match FILTRE, or every file in one of the five special folders, as a search would
// list them there, hidden ones too. Opens on the folder WIN_PATH names, on the drive that holds it; it can
// be resized, its lists taking the room.
class Ignore : public QDialog
{
    Q_OBJECT
public:
    Ignore(ProgramState& state, Platform& platform, QWidget* owner);

    // The full path of the file confirmed with OK; empty until then.
    const std::string& chosenPath() const { return m_chosenPath; }

    // The pattern list the file list applies to the current folder.
    const std::string& filePattern() const { return m_filePattern; }

    QComboBox* Drive1() const { return m_drive1; }
    FolderList* Dir1() const { return m_dir1; }
    QListWidget* File1() const { return m_file1; }
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }

    // Handlers.
    void Drive1_Change();
    void Dir1_Change();
    void Command1_Click();
    void Command2_Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Form_Load();
    void layOut();
    void placeElements();
    void fillDrives();

    ProgramState& m_state;
    Platform& m_platform;
    std::vector<char> m_letters; // the drive of each entry of Drive1
    std::string m_filePattern;
    std::string m_chosenPath;

    QComboBox* m_drive1 = nullptr;
    FolderList* m_dir1 = nullptr;
    QListWidget* m_file1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
};

} // namespace dustrel
