#pragma once

#include "platform/Locale.h"

#include <locale.h>

namespace dustrel::posix {

// The user's LC_NUMERIC and LC_TIME settings, read without touching the process's global locale.
class PosixLocale : public Locale
{
public:
    PosixLocale();
    ~PosixLocale() override;
    PosixLocale(const PosixLocale&) = delete;
    PosixLocale& operator=(const PosixLocale&) = delete;

    NumberFormat numberFormat() override;
    std::string shortDate(std::chrono::system_clock::time_point when) override;
    std::string shortTime(std::chrono::system_clock::time_point when) override;

private:
    std::string format(std::chrono::system_clock::time_point when, const char* pattern);

    locale_t m_locale = nullptr;
};

} // namespace dustrel::posix
