#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dustrel {

class MessageBoxes;
struct ProgramState;

// "Add a custom type of files": the user types one file pattern of their own. OK with an empty text does
// nothing, and a text that every file name matches ("*", "*.*", "?*", or a list holding one) is refused
// with a message saying why; otherwise the text becomes the pattern, upper-cased and otherwise as typed.
class CustomType : public QDialog
{
    Q_OBJECT
public:
    CustomType(const ProgramState& state, MessageBoxes& messageBoxes, QWidget* owner);

    // The pattern confirmed with OK; empty until then.
    const std::string& pattern() const { return m_pattern; }

    QLabel* Label1() const { return m_label1; }
    QLineEdit* Text1() const { return m_text1; }
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }

    void Command1_Click();
    void Command2_Click();

private:
    void Form_Load();
    void layOut();

    const ProgramState& m_state;
    MessageBoxes& m_messageBoxes;
    std::string m_pattern;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
};

} // namespace dustrel
