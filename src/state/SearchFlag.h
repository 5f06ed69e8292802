#pragma once

namespace dustrel {

// SEARCHING, the flag that lets a search go on: raised when a search starts, lowered by Stop, by the end
// of the program and by a walk that cannot go on. A search that ends by itself leaves it raised. The walk
// reads it before each folder it enters, so a stop takes effect there.
class SearchFlag
{
public:
    void start() { m_searching = true; }
    void stop() { m_searching = false; }
    explicit operator bool() const { return m_searching; }

private:
    bool m_searching = false;
};

} // namespace dustrel
