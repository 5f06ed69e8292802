#pragma once

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
    virtual void setPointer(Pointer pointer) = 0;
    virtual void pumpEvents() = 0;
};

} // namespace dustrel
