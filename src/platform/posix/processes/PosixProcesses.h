#pragma once

#include "platform/Processes.h"

#include <chrono>
#include <string>

namespace dustrel::posix {

// The executable regular file a command name stands for: the name itself when it holds a slash, else the
// first match along PATH; empty when there is none.
std::string findCommand(const std::string& name);

class PosixProcesses : public Processes
{
public:
    // `wait`: how long the opener is given to say whether a viewer could be started.
    explicit PosixProcesses(std::chrono::milliseconds wait = std::chrono::milliseconds(1500)) : m_wait(wait)
    {}

    // Starts the desktop's opener (xdg-open) on the file, detached, so it outlives the program. Fails,
    // naming the file, when the opener cannot be started or ends within the wait with an error (no
    // program handles the file's type, say).
    Result<void> openTextFile(const std::string& path) override;
    // The same with a file URL: "file:///path#anchor".
    Result<void> openPageAt(const std::string& path, std::string_view anchor) override;
    // The opener on the folder's path.
    Result<void> openFolder(const std::string& path) override;

private:
    Result<void> startOpener(const std::string& target, const std::string& path);

    std::chrono::milliseconds m_wait;
};

} // namespace dustrel::posix
