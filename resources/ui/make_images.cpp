// Draws the banner, the result-row icon and the splash picture once; the PNGs it writes are what the
// program ships. The window icon, ../dustrel.png, shows the same bin on the same colours.
// Build and run from this folder:
//   g++ -std=c++20 -fPIC make_images.cpp -o /tmp/make_images $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/make_images .

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kTealLight(0x2f, 0x93, 0xb8);
const QColor kTealDark(0x1c, 0x5f, 0x80);
const QColor kPaper(0xfa, 0xfa, 0xf5);

// A picture of width x height logical pixels drawn `scale` times as fine, for screens with that many
// device pixels to a logical one.
QImage canvas(int width, int height, int scale)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The waste bin of the program's icon, drawn in a box of the given size.
void drawBin(QPainter& p, const QRectF& box, const QColor& colour)
{
    const double w = box.width();
    const double h = box.height();
    p.save();
    p.translate(box.topLeft());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    // Lid and handle.
    p.drawRoundedRect(QRectF(0.08 * w, 0.14 * h, 0.84 * w, 0.1 * h), 0.03 * w, 0.03 * w);
    p.drawRoundedRect(QRectF(0.36 * w, 0.04 * h, 0.28 * w, 0.12 * h), 0.04 * w, 0.04 * w);
    // Body, narrowing towards the bottom, with three slots cut out of it.
    QPainterPath body;
    body.moveTo(0.16 * w, 0.29 * h);
    body.lineTo(0.84 * w, 0.29 * h);
    body.lineTo(0.77 * w, 0.96 * h);
    body.lineTo(0.23 * w, 0.96 * h);
    body.closeSubpath();
    for (double x : {0.33, 0.47, 0.61}) {
        QPainterPath slot;
        slot.addRoundedRect(QRectF(x * w, 0.37 * h, 0.06 * w, 0.5 * h), 0.03 * w, 0.03 * w);
        body = body.subtracted(slot);
    }
    p.drawPath(body);
    p.restore();
}

// 16 x 16: a page with a folded corner, the row icon of every listed file.
QImage rowIcon(int scale)
{
    QImage image = canvas(16, 16, scale);
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(10.0, 0.5);
    page.lineTo(13.5, 4.0);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x5a, 0x6b, 0x78), 1.0));
    p.setBrush(kPaper);
    p.drawPath(page);
    // The folded corner in the program's colour.
    QPainterPath corner;
    corner.moveTo(10.0, 0.5);
    corner.lineTo(10.0, 4.0);
    corner.lineTo(13.5, 4.0);
    corner.closeSubpath();
    p.setBrush(kTealLight);
    p.drawPath(corner);
    // Lines of text.
    p.setPen(QPen(QColor(0x9a, 0xa6, 0xaf), 1.0));
    for (double y : {6.5, 8.5, 10.5})
        p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    p.drawLine(QPointF(4.5, 12.5), QPointF(9.0, 12.5));
    return image;
}

// 245 x 45: the banner above the tabs.
QImage banner(int scale)
{
    QImage image = canvas(245, 45, scale);
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient background(0, 0, 0, 45);
    background.setColorAt(0, kTealLight);
    background.setColorAt(1, kTealDark);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(0.5, 0.5, 244, 44), 6, 6);

    // The bin in a light disc on the left.
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QRectF(7, 4.5, 36, 36));
    drawBin(p, QRectF(13, 10, 24, 25), kPaper);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(21);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(QPointF(53, 24), QStringLiteral("Dustrel"));
    p.setPen(Qt::white);
    p.drawText(QPointF(52, 23), QStringLiteral("Dustrel"));
    const double titleEnd = 52 + QFontMetricsF(title).horizontalAdvance(QStringLiteral("Dustrel"));

    QFont version(QStringLiteral("DejaVu Sans"));
    version.setPixelSize(12);
    version.setBold(true);
    p.setFont(version);
    p.setPen(QColor(0xd6, 0xee, 0xf6));
    p.drawText(QPointF(titleEnd + 5, 23), QStringLiteral("v2.1"));

    QFont tagline(QStringLiteral("DejaVu Sans"));
    tagline.setPixelSize(10);
    p.setFont(tagline);
    p.setPen(QColor(0xe4, 0xf3, 0xf8));
    p.drawText(QPointF(53, 37), QStringLiteral("Finds and deletes leftover junk files"));
    return image;
}

// 435 x 250: the picture of the splash window shown while the program starts. Opaque to its corners,
// because the window around it has no frame and nothing behind it to show through.
QImage splash(int scale)
{
    QImage image = canvas(435, 250, scale);
    QPainter p(&image);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient background(0, 0, 0, 250);
    background.setColorAt(0, kTealLight);
    background.setColorAt(1, kTealDark);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRect(QRectF(0, 0, 435, 250));

    // A paper strip along the bottom carries the kinds of files the program looks for.
    p.setBrush(kPaper);
    p.drawRect(QRectF(0, 206, 435, 44));
    p.setBrush(QColor(0x14, 0x47, 0x61));
    p.drawRect(QRectF(0, 205, 435, 1.5));

    // The bin in a light disc on the left, as on the banner but larger.
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QRectF(28, 50, 132, 132));
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QRectF(40, 62, 108, 108));
    drawBin(p, QRectF(56, 74, 76, 82), kPaper);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(50);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(QPointF(182, 112), QStringLiteral("Dustrel"));
    p.setPen(Qt::white);
    p.drawText(QPointF(180, 110), QStringLiteral("Dustrel"));

    QFont tagline(QStringLiteral("DejaVu Sans"));
    tagline.setPixelSize(17);
    p.setFont(tagline);
    p.setPen(QColor(0xe4, 0xf3, 0xf8));
    p.drawText(QPointF(183, 140), QStringLiteral("Junk-file cleaner"));

    QFont version(QStringLiteral("DejaVu Sans"));
    version.setPixelSize(14);
    version.setBold(true);
    p.setFont(version);
    const QString versionText = QStringLiteral("v2.1");
    const QRectF badge(183, 154, QFontMetricsF(version).horizontalAdvance(versionText) + 16, 22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 50));
    p.drawRoundedRect(badge, 11, 11);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, versionText);

    QFont strip(QStringLiteral("DejaVu Sans"));
    strip.setPixelSize(12);
    p.setFont(strip);
    p.setPen(QColor(0x3d, 0x55, 0x63));
    p.drawText(QRectF(0, 206, 435, 44), Qt::AlignCenter,
               QStringLiteral("Temporary files \u00b7 backups \u00b7 logs \u00b7 caches"));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool ok = rowIcon(1).save(out.filePath(QStringLiteral("row.png"))) &&
                    rowIcon(2).save(out.filePath(QStringLiteral("row@2x.png"))) &&
                    banner(1).save(out.filePath(QStringLiteral("banner.png"))) &&
                    banner(2).save(out.filePath(QStringLiteral("banner@2x.png"))) &&
                    splash(1).save(out.filePath(QStringLiteral("splash.png"))) &&
                    splash(2).save(out.filePath(QStringLiteral("splash@2x.png")));
    return ok ? 0 : 1;
}
