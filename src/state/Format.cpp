#include "state/Format.h"

#include <algorithm>
#include <cmath>

namespace dustrel {

namespace {

std::string groupDigits(std::string digits, const NumberFormat& format)
{
    if (format.groupSize <= 0 || format.groupSeparator.empty())
        return digits;
    const auto group = static_cast<std::size_t>(format.groupSize);
    std::string out;
    out.reserve(digits.size() + digits.size() / group * format.groupSeparator.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % group == 0)
            out += format.groupSeparator;
        out += digits[i];
    }
    return out;
}

std::string unsignedDigits(std::uint64_t value)
{
    return std::to_string(value);
}

} // namespace

std::string formatWhole(std::int64_t value, const NumberFormat& format)
{
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string out = groupDigits(unsignedDigits(magnitude), format);
    return negative ? "-" + out : out;
}

std::string formatOneDecimal(double value, const NumberFormat& format)
{
    if (!std::isfinite(value))
        value = 0.0;
    const bool negative = value < 0;
    const double tenths = std::min(std::round(std::fabs(value) * 10.0), 1.8e19);
    const auto whole = static_cast<std::uint64_t>(tenths);
    std::string out = groupDigits(unsignedDigits(whole / 10), format) + format.decimalSeparator +
                      static_cast<char>('0' + whole % 10);
    return (negative && whole != 0) ? "-" + out : out;
}

std::optional<std::int64_t> parseWhole(std::string_view text, const NumberFormat& format)
{
    std::int64_t value = 0;
    bool anyDigit = false;
    std::size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    while (i < text.size()) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (value > (INT64_MAX - 9) / 10)
                return std::nullopt;
            value = value * 10 + (c - '0');
            anyDigit = true;
            ++i;
        } else if (!format.groupSeparator.empty() &&
                   text.substr(i, format.groupSeparator.size()) == format.groupSeparator) {
            i += format.groupSeparator.size();
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace dustrel
