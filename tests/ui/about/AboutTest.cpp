// The splash window and the About box, opened without a modal loop and driven as a user drives them.
// With DUSTREL_SCREENSHOTS naming a folder, pictures of both are written there for a person to look at.

#include "ui/about/About.h"

#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/UiTestMain.h"
#include "ui/about/Splash.h"
#include "ui/common/TwipsScale.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace dustrel;
using namespace dustrel::test;

namespace {

// The thanks message as the user reads it, with the program's separators.
const std::string kThanks = "Special thanks to :\n\r"
                            "\t* The Qt Project <development@qt-project.org>\n\r"
                            "\t* GoogleTest <googletestframework@googlegroups.com>\n\r"
                            "\t* CMake <cmake@cmake.org>\n\r"
                            "\t* The GNU Compiler Collection <gcc@gcc.gnu.org>\n\r"
                            "\t* The Debian Project <debian-devel@lists.debian.org>\n\r"
                            "\t* freedesktop.org <xdg@lists.freedesktop.org>\n\r"
                            "\t* LLVM <llvm-dev@lists.llvm.org>\n\r"
                            "\n\r"
                            "for their suggestions to improve Dustrel (even if they aren't all included).\n\r"
                            "\n\r"
                            "Thanks too, to every user of Dustrel for their trust.\n\r";

struct AboutWorld
{
    ProgramState state;
    FakeMessageBoxes messageBoxes;

    AboutWorld()
    {
        state.NEWLINE = "\n\r";
        state.TAB_CHAR = "\t";
    }
};

} // namespace

class AboutTest : public QObject
{
    Q_OBJECT

private slots:
    void splashIsExactlyItsPictureWithoutFrameInTheMiddleOfTheScreen()
    {
        Splash splash;
        splash.show();
        QVERIFY(!splash.Image1()->pixmap().isNull());
        // Sized by the screen's DPI only: the picture has no text to make room for.
        const TwipsScale byDpi(splash.logicalDpiY(), 0);
        const QSize picture(byDpi.px(6525), byDpi.px(3750));
        QCOMPARE(splash.Image1()->geometry(), QRect(QPoint(0, 0), picture));
        QCOMPARE(splash.frameGeometry().size(), picture);
        QCOMPARE(splash.windowType(), Qt::SplashScreen);
        const QPoint offCentre = splash.geometry().center() - splash.screen()->availableGeometry().center();
        QVERIFY(offCentre.manhattanLength() <= 2);
    }

    void splashTopmostCanBeSwitched_data()
    {
        QTest::addColumn<bool>("shownFirst");
        QTest::newRow("before show") << false;
        QTest::newRow("while shown") << true;
    }

    void splashTopmostCanBeSwitched()
    {
        QFETCH(bool, shownFirst);
        Splash splash;
        QVERIFY(!splash.isTopmost());
        if (shownFirst)
            splash.show();
        for (bool topmost : {true, false, true}) {
            splash.setTopmost(topmost);
            QCOMPARE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint), topmost);
            QCOMPARE(splash.isTopmost(), topmost);
            QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(splash.isVisible(), shownFirst);
        }
    }

    void aboutShowsBannerAndNameUncut()
    {
        AboutWorld world;
        QWidget owner;
        About about(world.state, world.messageBoxes, &owner);
        about.show();
        QCOMPARE(about.windowTitle(), QStringLiteral("Dustrel v2.1 - About"));
        QVERIFY(about.isModal());
        QCOMPARE(about.parentWidget(), &owner);
        QCOMPARE(about.Label2()->text(), QStringLiteral("Dustrel v2.1"));
        QCOMPARE(about.Command3()->text(), QStringLiteral("&Back to main menu"));

        QVERIFY(!about.Image1()->pixmap().isNull());
        QVERIFY(std::abs(about.Image1()->geometry().center().x() - about.rect().center().x()) <= 1);
        QVERIFY(about.Label2()->height() >= about.Label2()->sizeHint().height());
        QVERIFY(about.Command3()->width() >= about.Command3()->sizeHint().width());
        QVERIFY(about.rect().contains(about.Command3()->geometry()));
        QVERIFY(!about.Image1()->geometry().intersects(about.Label2()->geometry()));
        QVERIFY(!about.Label2()->geometry().intersects(about.Command3()->geometry()));
    }

    void clickingThePictureShowsTheThanksEachTime()
    {
        AboutWorld world;
        About about(world.state, world.messageBoxes, nullptr);
        about.show();
        QTest::mouseClick(about.Image1(), Qt::LeftButton);
        QTest::mouseClick(about.Image1(), Qt::RightButton);
        QTest::mouseClick(about.Image1(), Qt::LeftButton);
        QCOMPARE(world.messageBoxes.shown.size(), std::size_t(2));
        for (const Message& message : world.messageBoxes.shown) {
            QCOMPARE(message.title, std::string("Dustrel v2.1 - Special thanks"));
            QCOMPARE(message.text, kThanks);
            QVERIFY(message.icon == MessageIcon::Information && message.buttons == MessageButtons::Ok);
        }
        QVERIFY(about.isVisible());
        // The separators are the program's, not written into the text.
        QString other = QString::fromStdString(kThanks);
        other.replace(QStringLiteral("\n\r"), QStringLiteral("<NL>"))
            .replace(QStringLiteral("\t"), QStringLiteral("<T>"));
        QCOMPARE(QString::fromStdString(About::ThanksText("<NL>", "<T>")), other);
    }

    void escapeAndTheButtonCloseTheBox_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("Esc") << true;
        QTest::newRow("Back to main menu") << false;
    }

    void escapeAndTheButtonCloseTheBox()
    {
        QFETCH(bool, byEscape);
        AboutWorld world;
        About about(world.state, world.messageBoxes, nullptr);
        about.show();
        if (byEscape)
            QTest::keyClick(&about, Qt::Key_Escape);
        else
            about.Command3()->click();
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Rejected));
        QVERIFY(world.messageBoxes.shown.empty());
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("DUSTREL_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("DUSTREL_SCREENSHOTS names no folder");
        QVERIFY(QDir().mkpath(folder));
        AboutWorld world;
        Splash splash;
        About about(world.state, world.messageBoxes, nullptr);
        splash.show();
        about.show();
        QCoreApplication::processEvents();
        for (auto [widget, name] : {std::pair<QWidget*, const char*>{&splash, "splash"}, {&about, "about"}}) {
            const QString path = QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
            QVERIFY2(widget->grab().save(path), qPrintable(path));
        }
    }
};

DUSTREL_UI_TEST_MAIN(AboutTest)

#include "AboutTest.moc"
