#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace dustrel {

class MessageBoxes;
struct ProgramState;

// The About box: the program's banner and title. A click on the banner thanks the projects the program
// is built on. Modal, owned by the main window, created anew at each showing.
class About : public QDialog
{
    Q_OBJECT
public:
    About(const ProgramState& state, MessageBoxes& messageBoxes, QWidget* owner);

    void Form_Load();
    void Image1_Click();
    void Command3_Click();

    QLabel* Image1() const { return m_image1; }
    QLabel* Label2() const { return m_label2; }
    QPushButton* Command3() const { return m_command3; }

    // The thanks message, its lines broken by `newline` and its entries indented by `tab`.
    static std::string ThanksText(const std::string& newline, const std::string& tab);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layOut();

    const ProgramState& m_state;
    MessageBoxes& m_messageBoxes;
    QLabel* m_image1 = nullptr;
    QLabel* m_label2 = nullptr;
    QPushButton* m_command3 = nullptr;
};

} // namespace dustrel
