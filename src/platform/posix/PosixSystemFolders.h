#pragma once

#include "platform/SystemFolders.h"

namespace dustrel::posix {

class PosixSystemFolders : public SystemFolders
{
public:
    std::string windowsDirectory() override; // the user's home folder
    std::string tempPath() override;         // $TMPDIR when it names a folder, else /tmp, with one "/"
    std::string currentDirectory() override;
};

} // namespace dustrel::posix
