#pragma once

#include "platform/InstalledSoftware.h"

#include <string>

namespace dustrel::posix {

// The package managers of this system, read as they keep their records: dpkg's file lists, pacman's
// local database (and dpkg's diversions), and rpm's answer to a query of every file name when the rpm command
// exists. Files are known by device and inode, so a file listed as /lib/x/libfoo.chk is recognised when a
// walk reaches it as /usr/lib/x/libfoo.chk, through a drive link or a bind mount.
class PackageDatabases : public InstalledSoftware
{
public:
    struct Locations
    {
        std::string dpkgInfo = "/var/lib/dpkg/info";
        // Files a package moved aside to make room for another's keep the first package's files under a
        // new name, often one a rule matches (foo.distrib, foo.orig).
        std::string dpkgDiversions = "/var/lib/dpkg/diversions";
        std::string pacmanLocal = "/var/lib/pacman/local";
        std::string pacmanRoot = "/"; // pacman's lists name files relative to the root they went into
        std::string rpm = "rpm";      // looked up on PATH unless it holds a slash
        int rpmSeconds = 120;         // a query that takes longer is given up and the command killed
    };

    PackageDatabases() = default;
    explicit PackageDatabases(Locations locations) : m_locations(std::move(locations)) {}

    InstalledFiles ownedFiles(const OwnedFilesQuery& query) override;

private:
    Locations m_locations;
};

} // namespace dustrel::posix
