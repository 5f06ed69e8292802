#pragma once

#include "ui/common/TwipsRect.h"

#include <array>
#include <cstddef>
#include <optional>

namespace dustrel {

// Every position and size of the main window, in twips, and its two resize rules as plain functions.
// Positions are measured from the element's container: the window's client area, or the tab panel for
// the elements on a tab. The window's outer size counts borders, title bar and menu bar.
namespace MenuLayout {

// The outer size the window is laid out for, which is also its minimum, and the parts of it that are
// not client area.
constexpr double kMinOuterWidth = 8595;
constexpr double kMinOuterHeight = 6885;
constexpr double kClientWidth = 8475;
constexpr double kClientHeight = 6195;
constexpr double kBorderWidth = kMinOuterWidth - kClientWidth;       // 120: both side borders
constexpr double kNonClientHeight = kMinOuterHeight - kClientHeight; // 690: title bar, menu bar, borders

// Elements directly on the window.
constexpr TwipsRect kFrame1{0, 0, 8595, 30};
constexpr TwipsRect kImage1{2400, 240, 3735, 735};
constexpr TwipsRect kSSTab1{240, 1200, 6855, 3495};
constexpr TwipsRect kCommand1{7215, 1560, 1140, 495};
constexpr TwipsRect kCommand2{7215, 2280, 1140, 495};
constexpr TwipsRect kCommand3{7200, 3000, 1140, 495};
constexpr TwipsRect kListView1{0, 4800, 8475, 1095};
constexpr double kStatusBarHeight = 300;

// Columns of the results list and the part of the list's width they leave free.
constexpr std::array<double, 4> kColumnWidths{1830, 2730, 1170, 1520};
constexpr double kColumnsSlack = 1225;

// The four tab panels, inside the tab control, and their heading labels.
constexpr TwipsRect kTabPctr{120, 480, 6615, 2895};
constexpr TwipsRect kLabel1{480, 120, 2775, 255};

// The check-box grid shared by the file-type, folder and drive groups: ten rows to a column.
constexpr std::size_t kRowsPerColumn = 10;
constexpr double kGridLeft = 960;
constexpr double kGridRightLeft = 3720;
constexpr double kGridTop = 360;
constexpr double kGridPitch = 240;
// Boxes are drawn only one row high: the designed heights (300, 255) would overlap the next row.
constexpr double kFilesWidth = 2295;
constexpr double kDirsWidth = 3615;
constexpr double kDriveWidth = 2295;
constexpr double kBoxHeight = kGridPitch;

// Where box i of a group stands before the panel rule moves the right column.
constexpr TwipsRect gridBox(std::size_t index, double width)
{
    const bool right = index >= kRowsPerColumn;
    const double row = static_cast<double>(right ? index - kRowsPerColumn : index);
    return TwipsRect{right ? kGridRightLeft : kGridLeft, kGridTop + kGridPitch * row, width, kBoxHeight};
}

// The Advanced tab.
constexpr TwipsRect kIgnoreLst{960, 360, 2055, 1815};
constexpr TwipsRect kCommand4{960, 2280, 975, 375};
constexpr TwipsRect kCommand5{2040, 2280, 975, 375};
constexpr double kLine1X = 3240;
constexpr double kLine1Top = 240;
constexpr double kLine1Bottom = 2640;
constexpr TwipsRect kLabel1Custom{3840, 120, 2775, 255}; // Label1(4)
constexpr TwipsRect kCustomLst{4320, 360, 2055, 1815};
constexpr TwipsRect kCommand6{4320, 2280, 975, 375};
constexpr TwipsRect kCommand7{5400, 2280, 975, 375};

// What the window rule asks for a given outer size.
struct FormLayout
{
    enum class Action
    {
        None,      // minimised: leave everything as it is
        SetHeight, // too low: give the window `snapTo` as its height and wait for the next resize
        SetWidth,  // too narrow: give the window `snapTo` as its width and wait for the next resize
        Arrange,   // place the elements below
    };
    Action action = Action::None;
    double snapTo = 0;

    TwipsRect frame1;
    TwipsRect image1;
    TwipsRect ssTab1;
    TwipsRect command1;
    TwipsRect command2;
    TwipsRect command3;
    double panelWidth = 0; // every TabPctr(i)
    TwipsRect listView1;
    std::array<double, 4> columns{};
};

// Form_Resize: from the window's outer width and height. The height is restored first, the width by the
// resize that follows; only the results list grows with the height.
FormLayout FormResize(double outerWidth, double outerHeight, bool minimised);

// What the panel rule asks for given panel widths.
struct PanelLayout
{
    double filesRightLeft = 0;             // Files(10) to Files(18)
    std::optional<double> drivesRightLeft; // Drive(10) onwards, when there are ten drives or more
    double line1X = 0;                     // Line1's X1 and X2
    TwipsRect ignoreLst;
    TwipsRect command4;
    TwipsRect command5;
    TwipsRect label1Custom; // Label1(4)
    TwipsRect customLst;
    TwipsRect command6;
    TwipsRect command7;
};

// TabPctr_Resize: from the current widths of TabPctr(0), TabPctr(2) and TabPctr(3).
PanelLayout TabPctrResize(double panel0Width, double panel2Width, double panel3Width, int drivesNb);

} // namespace MenuLayout

} // namespace dustrel
