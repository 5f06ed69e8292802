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

QPixmap Images::banner()
{
    loadResources();
    return QPixmap(QStringLiteral(":/dustrel/banner.png"));
}

QIcon Images::imageList1()
{
    loadResources();
    return QIcon(QStringLiteral(":/dustrel/row.png"));
}

} // namespace dustrel
