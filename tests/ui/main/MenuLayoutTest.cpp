// The two resize rules of the main window, as plain functions of twips: what they must keep whatever
// the size.

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

    // However large the window or a panel, nothing overlaps or leaves it, the buttons stay in one
    // column, and the results list takes all the height the tabs leave above the status bar.
    void nothingOverlapsOrLeavesTheWindowAtAnySize()
    {
        const auto apart = [](const TwipsRect& a, const TwipsRect& b) {
            return a.right() <= b.left || b.right() <= a.left || a.bottom() <= b.top || b.bottom() <= a.top;
        };
        for (const auto& [W, H] : {std::pair{kMinOuterWidth, kMinOuterHeight},
                                   {30000.0, kMinOuterHeight},
                                   {kMinOuterWidth, 20000.0}}) {
            const FormLayout l = FormResize(W, H, false);
            const TwipsRect all[] = {l.image1, l.ssTab1, l.command1, l.command2, l.command3, l.listView1};
            for (std::size_t i = 0; i < std::size(all); ++i) {
                QVERIFY(all[i].left >= 0 && all[i].right() <= W - kBorderWidth + 0.5);
                for (std::size_t j = i + 1; j < std::size(all); ++j)
                    QVERIFY(apart(all[i], all[j]));
            }
            QVERIFY(l.command2.left == l.command1.left && l.command3.right() == l.command1.right());
            QCOMPARE(l.ssTab1.height, kSSTab1.height);
            QVERIFY(near(l.listView1.bottom() + kStatusBarHeight, H - kNonClientHeight, 15));
            QVERIFY(l.columns[3] > 0 &&
                    l.columns[0] + l.columns[1] + l.columns[2] + l.columns[3] <= l.listView1.width);
        }
        for (const double P : {kTabPctr.width, 13230.0}) {
            const PanelLayout p = TabPctrResize(P, P, P, 20);
            QVERIFY(p.filesRightLeft >= kGridLeft + kFilesWidth &&
                    *p.drivesRightLeft >= kGridLeft + kDriveWidth);
            // The ignore list and its buttons left of the rule, the custom patterns' right of it, and both
            // lists share the room alike.
            for (const TwipsRect& r : {p.ignoreLst, p.command4, p.command5})
                QVERIFY(r.left >= 0 && r.right() <= p.line1X);
            for (const TwipsRect& r : {p.label1Custom, p.customLst, p.command6, p.command7})
                QVERIFY(r.left >= p.line1X && r.right() <= P);
            QVERIFY(std::fabs(p.ignoreLst.width - p.customLst.width) < 200);
            QVERIFY(p.command4.right() <= p.command5.left && p.command6.right() <= p.command7.left);
        }
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
