#pragma once

#include "platform/Processes.h"

namespace dustrel::posix {

class PosixProcesses : public Processes
{
public:
    // Starts the desktop's opener (xdg-open) on the file, detached, so it outlives the program.
    Result<void> openTextFile(const std::string& path) override;
};

} // namespace dustrel::posix
