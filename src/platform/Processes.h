#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace dustrel {

// Other programs the user's desktop provides.
class Processes
{
public:
    virtual ~Processes() = default;

    // Opens a text file in the desktop's viewer for it, without waiting.
    virtual Result<void> openTextFile(const std::string& path) = 0;
    // Opens a page (HTML) in the desktop's viewer at one of its anchors, without waiting.
    virtual Result<void> openPageAt(const std::string& path, std::string_view anchor) = 0;
    // Opens a folder in the desktop's file manager, without waiting.
    virtual Result<void> openFolder(const std::string& path) = 0;
};

} // namespace dustrel
