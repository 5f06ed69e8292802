#pragma once

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace dustrel {

class Spy_frm;
struct ProgramState;

// The debug window of debug mode: the folders, the temporary file and the drives that start-up worked
// out, shown once half a second after the window is created. Closing it, by OK or by its close box,
// ends the program.
class DebugFrm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kRows = 12;
    static constexpr int kTimerInterval = 500; // milliseconds

    // `endProgram` runs when the window is asked to close; `spy` is closed first by OK. `eventsLog` is
    // where a deletion would write the events log. `packageDatabases` reads them and says how it went,
    // when the values are shown.
    DebugFrm(const ProgramState& state, Spy_frm* spy, std::function<void()> endProgram,
             std::string eventsLog = {}, QWidget* parent = nullptr,
             std::function<std::string()> packageDatabases = {});

    void Form_Load();
    void Timer1_Timer();
    void ShowValues();
    void Command1_Click();
    void Form_QueryUnload();

    QLabel* Label1(int i) const { return m_label1.at(static_cast<std::size_t>(i)); }
    QLineEdit* Affiche(int i) const { return m_affiche.at(static_cast<std::size_t>(i)); }
    QListWidget* AfficheList() const { return m_afficheList; }
    QPushButton* Command1() const { return m_command1; }
    QTimer* Timer1() const { return m_timer1; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void layOut();

    const ProgramState& m_state;
    QPointer<Spy_frm> m_spy;
    std::function<void()> m_endProgram;
    std::string m_eventsLog;
    std::function<std::string()> m_packageDatabases;
    bool m_ending = false;

    std::array<QLabel*, kRows> m_label1{};
    std::array<QLineEdit*, kRows> m_affiche{};
    QListWidget* m_afficheList = nullptr;
    QPushButton* m_command1 = nullptr;
    QTimer* m_timer1 = nullptr;
};

} // namespace dustrel
