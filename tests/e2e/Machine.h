#pragma once

#include "support/TempFolder.h"

#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace dustrel::test {

// A machine of its own for each run: settings, temporary folder, runtime folder and two drives all inside
// one folder, and no display, so that a run can be checked for touching nothing outside it.
struct Machine
{
    Machine()
    {
        folder.makeFolder("home");
        folder.makeFolder("config/dustrel/drives");
        folder.makeFolder("tmp");
        folder.makeFolder("runtime");
        chmod((folder / "runtime").c_str(), 0700);
        folder.makeFolder("disk-c");
        folder.makeFolder("disk-d");
        folder.makeFolder("install");
        symlink((folder / "disk-c").c_str(), (folder / "config/dustrel/drives/c:").c_str());
        symlink((folder / "disk-d").c_str(), (folder / "config/dustrel/drives/d:").c_str());
    }

    std::map<std::string, std::string> environment() const
    {
        return {{"HOME", folder / "home"},
                {"XDG_CONFIG_HOME", folder / "config"},
                {"XDG_DATA_HOME", folder / "home/.local/share"},
                {"XDG_CACHE_HOME", folder / "home/.cache"},
                {"XDG_RUNTIME_DIR", folder / "runtime"},
                {"TMPDIR", folder / "tmp"},
                {"LC_ALL", "C"}};
    }

    std::string settingsFile() const { return folder / "config/dustrel/HKEY_LOCAL_MACHINE.reg"; }

    TempFolder folder;
};

} // namespace dustrel::test
