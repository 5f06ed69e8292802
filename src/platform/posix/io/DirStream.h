#pragma once

#include <dirent.h>
#include <utility>

namespace dustrel::posix {

// Owns one directory stream (and with it the descriptor it was opened on) and closes it once.
class DirStream
{
public:
    DirStream() = default;
    explicit DirStream(DIR* dir) : m_dir(dir) {}
    ~DirStream() { reset(); }
    DirStream(DirStream&& other) noexcept : m_dir(std::exchange(other.m_dir, nullptr)) {}
    DirStream& operator=(DirStream&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_dir, nullptr));
        return *this;
    }
    DirStream(const DirStream&) = delete;
    DirStream& operator=(const DirStream&) = delete;

    DIR* get() const { return m_dir; }
    explicit operator bool() const { return m_dir != nullptr; }
    void reset(DIR* dir = nullptr)
    {
        if (m_dir != nullptr)
            ::closedir(m_dir);
        m_dir = dir;
    }

private:
    DIR* m_dir = nullptr;
};

} // namespace dustrel::posix
