#include "ui/common/Images.h"

#include <QString>

// The pictures live in a static library, whose resource initialiser no one would otherwise reference.
// Outside any namespace, as the initialiser's declaration must be.
static void loadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(dustrel_ui);
        return true;
    }();
    (void)loaded;
}

namespace dustrel {

QIcon Images::windowIcon()
{
    loadResources();
    return QIcon(QStringLiteral(":/dustrel/icon.png"));
}

QPixmap Images::banner(qreal devicePixelRatio)
{
    loadResources();
    // Through an icon, which takes banner@2x.png on screens with two device pixels to a logical one.
    return QIcon(QStringLiteral(":/dustrel/banner.png")).pixmap(kBannerSize, devicePixelRatio);
}

QIcon Images::imageList1()
{
    loadResources();
    return QIcon(QStringLiteral(":/dustrel/row.png"));
}

} // namespace dustrel
