// The two resize rules of the main window, as plain functions of twips.

#include "ui/main/MenuLayout.h"

#include "ui/common/TwipsScale.h"

#include <QTest>
#include <cmath>

using namespace dustrel;
using namespace dustrel::MenuLayout;

namespace {

bool near(double actual, double expected, double tolerance = 0.01)
{
    return std::fabs(actual - expected) <= tolerance;
}

} // namespace

class MenuLayoutTest : public QObject
{
    Q_OBJECT

private slots:

    void tooSmallSnapsBackHeightFirstAndMinimisedChangesNothing()
    {
        FormLayout both = FormResize(4000, 3000, false);
        QCOMPARE(both.action, FormLayout::Action::SetHeight);
        QCOMPARE(both.snapTo, kMinOuterHeight);
        // The resize that follows finds only the width short.
        FormLayout then = FormResize(4000, both.snapTo, false);
        QCOMPARE(then.action, FormLayout::Action::SetWidth);
        QCOMPARE(then.snapTo, kMinOuterWidth);
        QCOMPARE(FormResize(then.snapTo, both.snapTo, false).action, FormLayout::Action::Arrange);

        QCOMPARE(FormResize(kMinOuterWidth - 1, 9000, false).action, FormLayout::Action::SetWidth);
        QCOMPARE(FormResize(9000, kMinOuterHeight - 1, false).action, FormLayout::Action::SetHeight);
        // Minimised: nothing, whatever the size.
        QCOMPARE(FormResize(100, 100, true).action, FormLayout::Action::None);
        QCOMPARE(FormResize(20000, 15000, true).action, FormLayout::Action::None);
    }

    void widerWindowGrowsTabsButtonsAndColumns()
    {
        const double W = 19200;
        const double H = 14400;
        const FormLayout layout = FormResize(W, H, false);
        QCOMPARE(layout.action, FormLayout::Action::Arrange);
        QVERIFY(near(layout.ssTab1.width, W * 6855 / 8595));
        QVERIFY(near(layout.command1.left, layout.ssTab1.width + 360));
        QVERIFY(near(layout.command1.right(), W - 240));
        QCOMPARE(layout.command2.left, layout.command1.left);
        QCOMPARE(layout.command3.width, layout.command1.width);
        // Only the list grows with the height; the tabs keep theirs.
        QCOMPARE(layout.ssTab1.height, kSSTab1.height);
        QCOMPARE(layout.ssTab1.top, kSSTab1.top);
        QVERIFY(near(layout.listView1.height, H - 5795));
        const double list = W - 120;
        QVERIFY(near(layout.columns[0], list * 1830 / 8475));
        QVERIFY(near(layout.columns[1], list * 2730 / 8475));
        QVERIFY(near(layout.columns[2], list * 1170 / 8475));
        QVERIFY(
            near(layout.columns[0] + layout.columns[1] + layout.columns[2] + layout.columns[3], list - 1225));
    }

    void panelRuleFollowsAWiderPanel()
    {
        const double P = 13230;
        const PanelLayout layout = TabPctrResize(P, P, P, 20);
        QVERIFY(near(layout.filesRightLeft, 7440));
        QVERIFY(near(layout.drivesRightLeft.value_or(0), 7440));
        QVERIFY(near(layout.line1X, 6480));
        QVERIFY(near(layout.ignoreLst.width, 6480 - 1200));
        QVERIFY(near(layout.command5.left + layout.command5.width, 960 + layout.ignoreLst.width, 0.5));
        QVERIFY(near(layout.customLst.right(), P - 240));
        QVERIFY(near(layout.command7.right(), layout.customLst.right(), 0.5));
    }

    void twipsScaleFollowsTheScreenAndTheFont()
    {
        const TwipsScale standard(96, 14);
        QCOMPARE(standard.px(15), 1);
        QCOMPARE(standard.px(1830), 122);
        QCOMPARE(TwipsScale(192, 28).px(1830), 244);
        // A font taller than the grid was drawn for stretches it.
        QCOMPARE(TwipsScale(96, 21).px(1830), 183);
        // Neighbours edge to edge in twips stay edge to edge in pixels.
        const QRect left = standard.rect(TwipsRect{0, 0, 1830, 100});
        const QRect right = standard.rect(TwipsRect{1830, 0, 2730, 100});
        QCOMPARE(left.right() + 1, right.left());
    }
};

int runMenuLayoutTest(int argc, char** argv)
{
    MenuLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MenuLayoutTest.moc"
