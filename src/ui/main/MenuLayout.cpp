#include "ui/main/MenuLayout.h"

namespace dustrel::MenuLayout {

FormLayout FormResize(double outerWidth, double outerHeight, bool minimised)
{
    FormLayout out;
    if (minimised)
        return out;
    if (outerHeight < kMinOuterHeight) {
        out.action = FormLayout::Action::SetHeight;
        out.snapTo = kMinOuterHeight;
        return out;
    }
    if (outerWidth < kMinOuterWidth) {
        out.action = FormLayout::Action::SetWidth;
        out.snapTo = kMinOuterWidth;
        return out;
    }

    const double W = outerWidth;
    const double H = outerHeight;
    out.action = FormLayout::Action::Arrange;

    out.frame1 = kFrame1;
    out.frame1.width = W;

    out.image1 = kImage1;
    out.image1.left = (W - kImage1.width) / 2;

    out.ssTab1 = kSSTab1;
    out.ssTab1.width = W * kSSTab1.width / kMinOuterWidth;

    out.command1 = kCommand1;
    out.command1.left = out.ssTab1.width + 360;
    out.command1.width = W - out.command1.left - 240;
    out.command2 = kCommand2;
    out.command3 = kCommand3;
    for (TwipsRect* button : {&out.command2, &out.command3}) {
        button->left = out.command1.left;
        button->width = out.command1.width;
    }

    out.panelWidth = out.ssTab1.width - 240;

    out.listView1 = kListView1;
    out.listView1.width = W - 120;
    out.listView1.height = H - 5795;

    const double list = out.listView1.width;
    for (std::size_t i = 0; i < 3; ++i)
        out.columns[i] = list * kColumnWidths[i] / kClientWidth;
    out.columns[3] = list - (out.columns[0] + out.columns[1] + out.columns[2]) - kColumnsSlack;
    return out;
}

PanelLayout TabPctrResize(double panel0Width, double panel2Width, double panel3Width, int drivesNb)
{
    constexpr double kPanelWidth = kTabPctr.width;
    PanelLayout out;

    out.filesRightLeft = panel0Width * kGridRightLeft / kPanelWidth;
    if (drivesNb >= static_cast<int>(kRowsPerColumn))
        out.drivesRightLeft = panel2Width * kGridRightLeft / kPanelWidth;

    const double x1 = panel3Width * kLine1X / kPanelWidth;
    out.line1X = x1;

    out.ignoreLst = kIgnoreLst;
    out.ignoreLst.width = x1 - 1200;
    out.command4 = kCommand4;
    out.command4.width = out.ignoreLst.width / 2 - 52.5;
    out.command5 = kCommand5;
    out.command5.width = out.command4.width;
    out.command5.left = out.command4.width + 1065;

    out.label1Custom = kLabel1Custom;
    out.label1Custom.left = x1 + 600;
    out.customLst = kCustomLst;
    out.customLst.left = out.label1Custom.left + 480;
    out.customLst.width = panel3Width - out.customLst.left - 240;
    out.command6 = kCommand6;
    out.command6.width = out.customLst.width / 2 - 52.5;
    out.command7 = kCommand7;
    out.command7.width = out.command6.width;
    out.command6.left = out.customLst.left;
    out.command7.left = out.command6.left + out.command6.width + 105;
    return out;
}

} // namespace dustrel::MenuLayout
