#include "ui/common/TwipsScale.h"

#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace dustrel {

TwipsScale::TwipsScale(double logicalDpi, int fontHeightPixels)
{
    const double dpi = logicalDpi > 0 ? logicalDpi : 96.0;
    const double byDpi = dpi / kTwipsPerInch;
    const double byFont = fontHeightPixels / kDesignTextTwips;
    m_pixelsPerTwip = std::max(byDpi, byFont);
}

TwipsScale TwipsScale::forWidget(const QWidget& widget)
{
    return TwipsScale(widget.logicalDpiY(), QFontMetrics(widget.font()).height());
}

int TwipsScale::px(double twips) const
{
    return static_cast<int>(std::lround(twips * m_pixelsPerTwip));
}

QRect TwipsScale::rect(const TwipsRect& r) const
{
    // Edges are rounded rather than sizes, so that neighbours drawn edge to edge in twips stay edge to edge.
    const int left = px(r.left);
    const int top = px(r.top);
    return QRect(left, top, std::max(0, px(r.right()) - left), std::max(0, px(r.bottom()) - top));
}

} // namespace dustrel
