#pragma once

#include <QIcon>
#include <QPixmap>

namespace dustrel {

// The pictures the windows show, all of the program's own making.
class Images
{
public:
    // The program's icon, 32 x 32.
    static QIcon windowIcon();
    // The 245 x 45 banner above the tabs.
    static QPixmap banner();
    // Image 1 of the main window's image list: the 16 x 16 icon of every result row, also the icon of
    // the dialogs.
    static QIcon imageList1();
};

} // namespace dustrel
