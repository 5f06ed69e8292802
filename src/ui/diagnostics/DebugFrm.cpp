#include "ui/diagnostics/DebugFrm.h"

#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsRect.h"
#include "ui/common/TwipsScale.h"
#include "ui/diagnostics/Spy_frm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <string>

namespace dustrel {

namespace {

constexpr double kClientWidth = 5190;
// Room for the package databases' row below the drives.
constexpr double kClientHeight = 5565;
// Label1(i) and Affiche(i) stand at kRowTops[i]; the closest rows stand kRowPitch apart.
constexpr TwipsRect kLabel1{120, 0, 1695, 255};
constexpr TwipsRect kAffiche{1920, 0, 3135, 255};
constexpr double kRowPitch = 240;
// The events log's row sits in the gap under the installation folder it belongs to; the package
// databases' row, last, under the drives.
constexpr std::array<double, DebugFrm::kRows> kRowTops{240,  480,  720,  960,  1440, 1920,
                                                       2160, 2400, 3000, 3240, 1680, 4680};
constexpr std::array<const char*, DebugFrm::kRows> kCaptions{
    "Windows Directory :",  "Documents Folder :",  "Temporary Directory :", "Temporary File :",
    "Dustrel Path :",       "Navigator Cache :",   "Communicator Cache :",  "MS IExplorer Cache :",
    "Number of HD found :", "Hard-Drives found :", "Events Log :",          "Package databases :"};
// The list reaches down to the room above OK, a few lines high, rather than one line.
constexpr TwipsRect kAfficheList{1920, 3480, 3135, 1080};
constexpr TwipsRect kCommand1{3840, 5040, 1215, 375};

} // namespace

DebugFrm::DebugFrm(const ProgramState& state, Spy_frm* spy, std::function<void()> endProgram,
                   std::string eventsLog, QWidget* parent, std::function<std::string()> packageDatabases)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state), m_spy(spy), m_endProgram(std::move(endProgram)), m_eventsLog(std::move(eventsLog)),
      m_packageDatabases(std::move(packageDatabases))
{
    setObjectName(QStringLiteral("DebugFrm"));
    setProperty(kHelpContextId, kDiagnosticsHelpTopic);

    for (int i = 0; i < kRows; ++i) {
        const auto row = static_cast<std::size_t>(i);
        auto* label = new QLabel(QString::fromLatin1(kCaptions[row]), this);
        label->setObjectName(QStringLiteral("Label1_%1").arg(i));
        auto* value = new QLineEdit(this);
        value->setObjectName(QStringLiteral("Affiche_%1").arg(i));
        value->setReadOnly(true);
        label->setBuddy(value);
        m_label1[row] = label;
        m_affiche[row] = value;
    }
    m_afficheList = new QListWidget(this);
    m_afficheList->setObjectName(QStringLiteral("AfficheList"));
    m_command1 = new QPushButton(QStringLiteral("&OK"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setDefault(true);
    connect(m_command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    layOut();
    Form_Load();

    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void DebugFrm::layOut()
{
    const TwipsScale scale = TwipsScale::forWidget(*this);
    // Captions longer than their column in the user's font push the values to the right and widen the
    // window by as much, so that none is cut.
    int captionWidth = scale.px(kLabel1.width);
    for (const QLabel* label : m_label1)
        captionWidth = std::max(captionWidth, label->sizeHint().width());
    const int shift = captionWidth - scale.px(kLabel1.width);
    // Value fields taller than the grid's rows spread every row downwards by the same ratio, so that the
    // closest rows do not overlap.
    const int fieldHeight = std::max(scale.px(kLabel1.height), m_affiche[0]->sizeHint().height());
    const double down = std::max(1.0, (fieldHeight + 1) / (kRowPitch * scale.pixelsPerTwip()));
    auto y = [&](double twips) { return scale.px(twips * down); };

    setFixedSize(scale.px(kClientWidth) + shift, y(kClientHeight));
    for (std::size_t row = 0; row < m_label1.size(); ++row) {
        const int top = y(kRowTops[row]);
        m_label1[row]->setGeometry(scale.px(kLabel1.left), top, captionWidth, fieldHeight);
        m_affiche[row]->setGeometry(scale.px(kAffiche.left) + shift, top, scale.px(kAffiche.width),
                                    fieldHeight);
    }
    m_afficheList->setGeometry(scale.px(kAfficheList.left) + shift, y(kAfficheList.top),
                               scale.px(kAfficheList.width), y(kAfficheList.bottom()) - y(kAfficheList.top));
    const int buttonHeight = std::max(y(kCommand1.height), m_command1->sizeHint().height());
    m_command1->setGeometry(scale.px(kCommand1.left) + shift, y(kCommand1.top), scale.px(kCommand1.width),
                            buttonHeight);
}

void DebugFrm::Form_Load()
{
    setWindowTitle(toQString(kProgramTitle) + QStringLiteral(" - Debug mode"));
    setWindowIcon(Images::imageList1());
    m_timer1->start(kTimerInterval);
    // OK rather than the first field: the fields are only to read.
    m_command1->setFocus();
}

void DebugFrm::Timer1_Timer()
{
    ShowValues();
    // Once only: later changes of the values are not shown.
    m_timer1->stop();
}

void DebugFrm::ShowValues()
{
    m_afficheList->clear();
    std::string letters;
    const auto& drives = m_state.choices.drives();
    for (std::size_t k = 0; k < m_state.listedDrives(); ++k) {
        const std::string& description = drives[k].description;
        letters += description.substr(0, 2) + "   ";
        m_afficheList->addItem(toQString(description));
    }

    const std::array<std::string, kRows> values{m_state.WIN_PATH,
                                                m_state.DIRECTORIES[1],
                                                m_state.DIRECTORIES[0],
                                                m_state.TMP_FILE,
                                                m_state.DTR_PATH,
                                                m_state.DIRECTORIES[2],
                                                m_state.DIRECTORIES[3],
                                                m_state.DIRECTORIES[4],
                                                std::to_string(m_state.DRIVES_NB),
                                                letters,
                                                m_eventsLog,
                                                m_packageDatabases ? m_packageDatabases() : std::string()};
    for (std::size_t row = 0; row < values.size(); ++row) {
        const QString text = toQString(values[row]);
        m_affiche[row]->setText(text);
        // Paths are often longer than their field; the whole text shows on hovering.
        m_affiche[row]->setToolTip(text);
        m_affiche[row]->setCursorPosition(0);
    }
}

void DebugFrm::Command1_Click()
{
    if (m_spy)
        m_spy->close();
    close();
}

void DebugFrm::Form_QueryUnload()
{
    // Ending the program closes this window again; it ends only once.
    if (m_ending)
        return;
    m_ending = true;
    if (m_endProgram)
        m_endProgram();
}

void DebugFrm::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    event->accept();
}

void DebugFrm::keyPressEvent(QKeyEvent* event)
{
    // The window has no cancel button: Esc neither hides it nor ends the program.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace dustrel
