#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace dustrel {

// The pictures the windows show, all of the program's own making.
class Images
{
public:
    static constexpr QSize kBannerSize{245, 45};

    // The program's icon, 32 x 32.
    static QIcon windowIcon();
    // The banner above the tabs, 245 x 45 logical pixels, drawn for the given device pixel ratio.
    static QPixmap banner(qreal devicePixelRatio = 1.0);
    // Image 1 of the main window's image list: the 16 x 16 icon of every result row, also the icon of
    // the dialogs.
    static QIcon imageList1();
};

} // namespace dustrel
