#pragma once

#include <chrono>
#include <string>

namespace dustrel {

struct NumberFormat
{
    std::string groupSeparator = ",";
    std::string decimalSeparator = ".";
    int groupSize = 3; // digits per group; 0 turns grouping off
};

// The user's regional settings for numbers, dates and times.
class Locale
{
public:
    virtual ~Locale() = default;
    virtual NumberFormat numberFormat() = 0;
    virtual std::string shortDate(std::chrono::system_clock::time_point when) = 0;
    virtual std::string shortTime(std::chrono::system_clock::time_point when) = 0;
};

} // namespace dustrel
