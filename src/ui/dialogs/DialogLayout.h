#pragma once

#include "ui/common/TwipsRect.h"

namespace dustrel {

// Positions and sizes of the two dialogs' elements, in twips from the top-left corner of their client
// area.
namespace DialogLayout {

// The ignore dialog.
constexpr double kIgnoreWidth = 3750;
constexpr double kIgnoreHeight = 2910;
constexpr TwipsRect kIgnoreDrive1{120, 120, 3495, 315};
constexpr TwipsRect kIgnoreDir1{120, 600, 1695, 1665};
constexpr TwipsRect kIgnoreFile1{1920, 600, 1695, 1650};
constexpr TwipsRect kIgnoreCommand1{120, 2400, 1695, 375};
constexpr TwipsRect kIgnoreCommand2{1920, 2400, 1695, 375};
constexpr int kIgnoreHelpTopic = 300;

// The custom-type dialog.
constexpr double kCustomTypeWidth = 3750;
constexpr double kCustomTypeHeight = 1830;
constexpr TwipsRect kCustomTypeLabel1{120, 240, 3495, 255};
constexpr TwipsRect kCustomTypeText1{240, 720, 3255, 285};
constexpr TwipsRect kCustomTypeCommand1{120, 1320, 1695, 375};
constexpr TwipsRect kCustomTypeCommand2{1920, 1320, 1695, 375};
constexpr int kCustomTypeHelpTopic = 305;

} // namespace DialogLayout

} // namespace dustrel
