#pragma once

#include "ui/common/TwipsRect.h"

namespace dustrel {

// Positions and sizes of the two dialogs' elements, in twips from the top-left corner of their client
// area.
namespace DialogLayout {

// Both dialogs are kWidth wide and laid out on two columns 1695 wide and 105 apart, the first 120 from the
// left edge; their two buttons stand at the foot of the columns.
constexpr double kWidth = 3750;

constexpr TwipsRect inColumn(int column, double top, double height)
{
    return TwipsRect{120.0 + column * (1695.0 + 105.0), top, 1695, height};
}

constexpr TwipsRect acrossColumns(double top, double height)
{
    return TwipsRect{120, top, 1695 + 105 + 1695, height};
}

// The ignore dialog.
constexpr double kIgnoreHeight = 2910;
constexpr TwipsRect kIgnoreDrive1 = acrossColumns(120, 315);
constexpr TwipsRect kIgnoreDir1 = inColumn(0, 600, 1665);
constexpr TwipsRect kIgnoreFile1 = inColumn(1, 600, 1650);
constexpr TwipsRect kIgnoreCommand1 = inColumn(0, 2400, 375);
constexpr TwipsRect kIgnoreCommand2 = inColumn(1, 2400, 375);

// The custom-type dialog.
constexpr double kCustomTypeHeight = 1830;
constexpr TwipsRect kCustomTypeLabel1 = acrossColumns(240, 255);
constexpr TwipsRect kCustomTypeText1{240, 720, 3255, 285};
constexpr TwipsRect kCustomTypeCommand1 = inColumn(0, 1320, 375);
constexpr TwipsRect kCustomTypeCommand2 = inColumn(1, 1320, 375);

} // namespace DialogLayout

} // namespace dustrel
