// The splash window and the About box, opened without a modal loop and driven as a user drives them.

#include "ui/about/About.h"

#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/UiTestMain.h"
#include "ui/about/Splash.h"
#include "ui/common/TwipsScale.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace dustrel;
using namespace dustrel::test;

namespace {

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

    void aboutShowsBannerAndNameUncut()
    {
        AboutWorld world;
        QWidget owner;
        About about(world.state, world.messageBoxes, &owner);
        about.show();
        QVERIFY(about.isModal());
        QCOMPARE(about.parentWidget(), &owner);

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
        // Without a mouse: the picture takes the focus and Space shows the same thanks.
        about.Image1()->setFocus();
        QTest::keyClick(about.Image1(), Qt::Key_Space);
        QCOMPARE(world.messageBoxes.shown.size(), std::size_t(2));
        for (const Message& message : world.messageBoxes.shown) {
            QCOMPARE(message.text, About::ThanksText("\n\r", "\t"));
            QVERIFY(message.icon == MessageIcon::Information && message.buttons == MessageButtons::Ok);
        }
        QVERIFY(about.isVisible());
        // The separators are the program's, not written into the text.
        const std::string other = About::ThanksText("<NL>", "<T>");
        QVERIFY(other.find("<NL>") != std::string::npos && other.find("<T>") != std::string::npos);
        QVERIFY(other.find('\n') == std::string::npos && other.find('\t') == std::string::npos);
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
};

DUSTREL_UI_TEST_MAIN(AboutTest)

#include "AboutTest.moc"
