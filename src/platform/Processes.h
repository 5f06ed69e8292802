#pragma once

#include "platform/Result.h"

#include <string>

namespace dustrel {

// Other programs the user's desktop provides.
class Processes
{
public:
    virtual ~Processes() = default;

    // Opens a text file in the desktop's viewer for it, without waiting.
    virtual Result<void> openTextFile(const std::string& path) = 0;
};

} // namespace dustrel
