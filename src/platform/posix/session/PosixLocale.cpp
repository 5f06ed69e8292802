#include "platform/posix/session/PosixLocale.h"

#include <ctime>
#include <langinfo.h>

namespace dustrel::posix {

PosixLocale::PosixLocale()
{
    m_locale = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", nullptr);
    if (m_locale == nullptr) // an unknown locale name in the environment
        m_locale = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "C", nullptr);
}

PosixLocale::~PosixLocale()
{
    if (m_locale != nullptr)
        freelocale(m_locale);
}

NumberFormat PosixLocale::numberFormat()
{
    NumberFormat format; // "," and "." where the locale names no group separator, as in the C locale
    if (m_locale == nullptr)
        return format;
    const std::string group = nl_langinfo_l(THOUSEP, m_locale);
    const std::string decimal = nl_langinfo_l(RADIXCHAR, m_locale);
    if (group.empty())
        return format;
    format.groupSeparator = group;
    if (!decimal.empty())
        format.decimalSeparator = decimal;
    // Locales that group differently (such as 2-digit Indian groups after the first three) still show
    // thousands here: one group size keeps the numbers readable everywhere.
    const char* grouping = nl_langinfo_l(GROUPING, m_locale);
    if (grouping != nullptr && grouping[0] > 0 && grouping[0] < 10)
        format.groupSize = grouping[0];
    return format;
}

std::string PosixLocale::format(std::chrono::system_clock::time_point when, const char* pattern)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buffer[128];
    const std::size_t n = m_locale != nullptr ? strftime_l(buffer, sizeof buffer, pattern, &tm, m_locale)
                                              : std::strftime(buffer, sizeof buffer, pattern, &tm);
    return std::string(buffer, n);
}

std::string PosixLocale::shortDate(std::chrono::system_clock::time_point when)
{
    return format(when, m_locale != nullptr ? nl_langinfo_l(D_FMT, m_locale) : "%x");
}

std::string PosixLocale::shortTime(std::chrono::system_clock::time_point when)
{
    return format(when, m_locale != nullptr ? nl_langinfo_l(T_FMT, m_locale) : "%X");
}

} // namespace dustrel::posix
