#pragma once

namespace dustrel {

// A rectangle in twips (1/1440 inch), the unit the window layouts are drawn in. Doubles, because the
// resize rules scale and halve widths and only the final conversion to pixels rounds.
struct TwipsRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    constexpr double right() const { return left + width; }
    constexpr double bottom() const { return top + height; }
    constexpr bool operator==(const TwipsRect&) const = default;
};

} // namespace dustrel
