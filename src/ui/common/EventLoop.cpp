#include "ui/common/EventLoop.h"

#include <QApplication>
#include <QWidget>

namespace dustrel {

void endEventLoop(const QWidget* kept)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window != kept)
            window->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace dustrel
