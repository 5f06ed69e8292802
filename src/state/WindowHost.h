#pragma once

#include <string>
#include <string_view>

namespace dustrel {

enum class Command
{
    Search, // Command1
    Stop,   // Command2
    Delete, // Command3
};

enum class Pointer
{
    Default,
    Hourglass,
    ArrowHourglass,
};

// What the core asks of the main window while it works: its command buttons, its status text, the
// mouse pointer and a chance to let pending window events run. The window implements it; tests and the
// benchmark use a headless one.
class WindowHost
{
public:
    virtual ~WindowHost() = default;
    virtual void setCommandEnabled(Command command, bool enabled) = 0;
    virtual void setCommandDefault(Command command, bool isDefault) = 0;
    virtual void setStatusText(std::string_view text) = 0;
    virtual std::string_view statusText() const = 0;
    // Shows the text `live` holds and goes on showing it while its owner changes it in place, until the
    // next setStatusText, or followStatusText(nullptr), which keeps the text as it is at that moment. The
    // owner keeps `live` alive meanwhile. The walk names every folder it enters this way: copying a path
    // per folder would cost as much as the path is long, and a window only needs to read the text when
    // it repaints. A host that does not override it gets a copy of the text as it is now.
    virtual void followStatusText(const std::string* live)
    {
        if (live != nullptr)
            setStatusText(*live);
    }
    virtual void setPointer(Pointer pointer) = 0;
    virtual void pumpEvents() = 0;
};

} // namespace dustrel
