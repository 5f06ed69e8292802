#pragma once

#include <chrono>

namespace dustrel {

// The wall clock, behind an interface so tests can set the time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual std::chrono::system_clock::time_point now() = 0;
};

class SystemClock : public Clock
{
public:
    std::chrono::system_clock::time_point now() override { return std::chrono::system_clock::now(); }
};

} // namespace dustrel
