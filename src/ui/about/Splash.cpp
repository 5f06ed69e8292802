#include "ui/about/Splash.h"

#include "state/ProgramInfo.h"
#include "ui/common/Images.h"
#include "ui/common/QtText.h"
#include "ui/common/TwipsScale.h"

#include <QIcon>
#include <QLabel>
#include <QScreen>

namespace dustrel {

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Splash"));
    // Also loads the program's pictures, the splash picture among them.
    setWindowIcon(Images::imageList1());

    // The picture has no text to make room for, so only the screen's DPI sizes it, not the user's font.
    const TwipsScale scale(logicalDpiY(), 0);
    const QSize size(scale.px(kPictureWidthTwips), scale.px(kPictureHeightTwips));
    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setScaledContents(true);
    // The picture shows the program's name: a screen reader reads it from here and from the title.
    m_image1->setAccessibleName(toQString(kProgramTitle));
    setWindowTitle(m_image1->accessibleName());
    // Through an icon, which takes splash@2x.png on screens with two device pixels to a logical one.
    m_image1->setPixmap(QIcon(QStringLiteral(":/dustrel/splash.png")).pixmap(size, devicePixelRatioF()));
    m_image1->setGeometry(QRect(QPoint(0, 0), size));

    Form_Load();
}

void Splash::Form_Load()
{
    setFixedSize(m_image1->size());
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Splash::setTopmost(bool topmost)
{
    if (topmost == isTopmost())
        return;
    // Changing the flags of a shown window hides it.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    if (shown)
        show();
}

bool Splash::isTopmost() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace dustrel
