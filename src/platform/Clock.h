#pragma once

#include <chrono>

namespace dustrel {

// The clocks, behind an interface so tests can set the time.
class Clock
{
public:
    virtual ~Clock() = default;
    // The date and time, for what is shown or written.
    virtual std::chrono::system_clock::time_point now() = 0;
    // A clock that only goes forward, for waits: the wall clock may be set back while the program waits.
    virtual std::chrono::steady_clock::time_point steadyNow() = 0;
};

class SystemClock : public Clock
{
public:
    std::chrono::system_clock::time_point now() override { return std::chrono::system_clock::now(); }
    std::chrono::steady_clock::time_point steadyNow() override { return std::chrono::steady_clock::now(); }
};

} // namespace dustrel
