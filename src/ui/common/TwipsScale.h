#pragma once

#include "ui/common/TwipsRect.h"

#include <QRect>

class QWidget;

namespace dustrel {

// Converts the layouts' twips to pixels. A twip is 1/1440 inch at the screen's logical DPI, so 15 twips
// make a pixel at 96 DPI and the windows grow on high-DPI screens. The layouts were drawn for text about
// 14 pixels high at 96 DPI; a user font taller than that stretches the twip by the same ratio, so that
// captions and rows still fit the grid instead of being clipped.
class TwipsScale
{
public:
    static constexpr double kTwipsPerInch = 1440.0;
    // The text height the layouts leave room for: 14 pixels at 96 DPI.
    static constexpr double kDesignTextTwips = 210.0;

    TwipsScale() = default;
    TwipsScale(double logicalDpi, int fontHeightPixels);

    // The scale for a widget's screen and font.
    static TwipsScale forWidget(const QWidget& widget);

    double pixelsPerTwip() const { return m_pixelsPerTwip; }

    int px(double twips) const;
    double twips(int pixels) const { return pixels / m_pixelsPerTwip; }
    QRect rect(const TwipsRect& r) const;

private:
    double m_pixelsPerTwip = 96.0 / kTwipsPerInch;
};

} // namespace dustrel
