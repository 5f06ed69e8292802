#pragma once

#include "platform/Processes.h"

#include <string>

namespace dustrel::posix {

// The executable regular file a command name stands for: the name itself when it holds a slash, else the
// first match along PATH; empty when there is none.
std::string findCommand(const std::string& name);

class PosixProcesses : public Processes
{
public:
    // Starts the desktop's opener (xdg-open) on the file, detached, so it outlives the program.
    Result<void> openTextFile(const std::string& path) override;
    // The same with a file URL: "file:///path#anchor".
    Result<void> openPageAt(const std::string& path, std::string_view anchor) override;

private:
    Result<void> startOpener(const std::string& target, const std::string& path);
};

} // namespace dustrel::posix
