#pragma once

// How a failed check shows an Error or a Result: its code, message and path rather than bytes.

#include "platform/Result.h"

#include <ostream>

namespace dustrel {

inline void PrintTo(const Error& error, std::ostream* os)
{
    *os << "Error{" << error.code << ", \"" << error.describe() << "\"}";
}

template <typename T> void PrintTo(const Result<T>& result, std::ostream* os)
{
    if (result)
        *os << "ok";
    else
        PrintTo(result.error(), os);
}

} // namespace dustrel
