#pragma once

#include "state/WindowHost.h"

#include <array>
#include <functional>
#include <string>

namespace dustrel {

// A window that is only state: what the buttons, the status bar and the pointer would show. Used where
// there is no window (the benchmark, tests); `onPump` stands for the events a user would cause.
class HeadlessWindowHost : public WindowHost
{
public:
    struct Button
    {
        bool enabled = false;
        bool isDefault = false;
    };

    HeadlessWindowHost() { button(Command::Search) = {true, true}; }

    void setCommandEnabled(Command command, bool enabled) override { button(command).enabled = enabled; }
    void setCommandDefault(Command command, bool isDefault) override
    {
        button(command).isDefault = isDefault;
    }
    void setStatusText(std::string_view text) override
    {
        m_live = nullptr;
        m_status.assign(text);
    }
    std::string_view statusText() const override { return m_live != nullptr ? *m_live : m_status; }
    void followStatusText(const std::string* live) override
    {
        if (live == nullptr && m_live != nullptr)
            m_status = *m_live;
        m_live = live;
    }
    void setPointer(Pointer pointer) override { m_pointer = pointer; }
    void pumpEvents() override
    {
        ++m_pumps;
        if (onPump)
            onPump();
    }

    Button& button(Command command) { return m_buttons[static_cast<std::size_t>(command)]; }
    Pointer pointer() const { return m_pointer; }
    long pumps() const { return m_pumps; }

    std::function<void()> onPump;

private:
    std::array<Button, 3> m_buttons{};
    std::string m_status;
    const std::string* m_live = nullptr;
    Pointer m_pointer = Pointer::Default;
    long m_pumps = 0;
};

} // namespace dustrel
