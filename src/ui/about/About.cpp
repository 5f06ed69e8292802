#include "ui/about/About.h"

#include "platform/MessageBoxes.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsRect.h"
#include "ui/common/TwipsScale.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <string_view>

namespace dustrel {

namespace {

constexpr double kClientWidth = 5415;
constexpr double kClientHeight = 3390;
constexpr TwipsRect kImage1{960, 120, 3735, 735};
constexpr TwipsRect kLabel2{0, 1200, 5415, 255};
constexpr TwipsRect kCommand3{3720, 2760, 1575, 495};

struct Thanked
{
    std::string_view name;
    std::string_view address;
};

// The projects the program is built on, each with its public mailing list.
constexpr std::array<Thanked, 7> kThanked{{
    {"The Qt Project", "development@qt-project.org"},
    {"GoogleTest", "googletestframework@googlegroups.com"},
    {"CMake", "cmake@cmake.org"},
    {"The GNU Compiler Collection", "gcc@gcc.gnu.org"},
    {"The Debian Project", "debian-devel@lists.debian.org"},
    {"freedesktop.org", "xdg@lists.freedesktop.org"},
    {"LLVM", "llvm-dev@lists.llvm.org"},
}};

} // namespace

About::About(const ProgramState& state, MessageBoxes& messageBoxes, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state), m_messageBoxes(messageBoxes)
{
    setObjectName(QStringLiteral("About"));
    setModal(true);

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setScaledContents(true);
    m_image1->installEventFilter(this);
    // The picture's thanks are reachable from the keyboard too, and a screen reader says how.
    m_image1->setFocusPolicy(Qt::StrongFocus);
    m_image1->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px dotted palette(highlight); }"));
    m_image1->setAccessibleName(toQString(kProgramTitle));
    m_image1->setAccessibleDescription(QStringLiteral("Click or press Space for the special thanks"));
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label2->setAlignment(Qt::AlignCenter);
    m_command3 = new QPushButton(QStringLiteral("&Back to main menu"), this);
    m_command3->setObjectName(QStringLiteral("Command3"));
    connect(m_command3, &QPushButton::clicked, this, [this] { Command3_Click(); });

    layOut();
    Form_Load();
}

void About::layOut()
{
    const TwipsScale scale = TwipsScale::forWidget(*this);
    setFixedSize(scale.px(kClientWidth), scale.px(kClientHeight));
    m_image1->setGeometry(scale.rect(kImage1));
    m_image1->setPixmap(Images::banner(devicePixelRatioF()));
    // A label as low as designed would clip the text of larger fonts.
    QRect label = scale.rect(kLabel2);
    label.setHeight(std::max(label.height(), m_label2->sizeHint().height()));
    m_label2->setGeometry(label);
    // The caption is wider than its designed button in most fonts: the button grows to the left, keeping
    // its right margin, instead of cutting it.
    QRect button = scale.rect(kCommand3);
    button.setLeft(button.right() + 1 - std::max(button.width(), m_command3->sizeHint().width()));
    m_command3->setGeometry(button);
}

void About::Form_Load()
{
    setWindowTitle(toQString(kProgramTitle) + QStringLiteral(" - About"));
    setWindowIcon(Images::imageList1());
    m_label2->setText(toQString(kProgramTitle));
    // Centred on the client area: the frame belongs to the window manager and has no width yet.
    m_image1->move((width() - m_image1->width()) / 2, m_image1->y());
}

void About::Image1_Click()
{
    Message message = programMessage(ThanksText(m_state.NEWLINE, m_state.TAB_CHAR), MessageIcon::Information);
    message.title += " - Special thanks";
    m_messageBoxes.show(message);
}

void About::Command3_Click()
{
    reject();
}

std::string About::ThanksText(const std::string& newline, const std::string& tab)
{
    std::string text = "Special thanks to :" + newline;
    for (const Thanked& thanked : kThanked) {
        text += tab + "* ";
        text += thanked.name;
        text += " <";
        text += thanked.address;
        text += ">" + newline;
    }
    text += newline;
    text +=
        "for their suggestions to improve Dustrel (even if they aren't all included)." + newline + newline;
    text += "Thanks too, to every user of Dustrel for their trust." + newline;
    return text;
}

bool About::eventFilter(QObject* watched, QEvent* event)
{
    // A click is a left press and release over the picture.
    if (watched == m_image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_image1->rect().contains(mouse->position().toPoint())) {
            Image1_Click();
            return true;
        }
    }
    if (watched == m_image1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            Image1_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void About::keyPressEvent(QKeyEvent* event)
{
    // Esc is the "Back to main menu" button's.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        Command3_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace dustrel
