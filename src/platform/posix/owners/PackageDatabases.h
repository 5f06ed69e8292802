#pragma once

#include "platform/InstalledSoftware.h"
#include "platform/posix/owners/RecordLines.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

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
        // A query that takes longer, reading and waiting, is given up and the command killed.
        std::chrono::milliseconds rpmLimit{120'000};
        // Records changed this recently are read again at every search: a later change within the same
        // tick of their times would go unseen.
        int settledSeconds = 2;
        RecordLimits recordLimits{};
    };

    PackageDatabases() = default;
    explicit PackageDatabases(Locations locations) : m_locations(std::move(locations)) {}

    InstalledFiles ownedFiles(const OwnedFilesQuery& query) override;

private:
    // What dpkg and pacman said at the last search, kept while their records stay as they were: reading
    // a thousand file lists at every search would cost more than the walk of a warm disk.
    struct Answer
    {
        std::string question;  // the filter text and the identities of the query's folders
        std::string signature; // the identity, size and times of the records read
        std::vector<PackageDatabase> databases;
        std::vector<std::string> wanted; // the paths the query wanted, looked up afresh at each search
    };

    Locations m_locations;
    std::optional<Answer> m_answer;
};

} // namespace dustrel::posix
