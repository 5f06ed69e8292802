#include "platform/InstalledSoftware.h"

namespace dustrel {

std::string describeDatabases(const std::vector<PackageDatabase>& databases)
{
    if (databases.empty())
        return "none";
    std::string text;
    for (const PackageDatabase& database : databases) {
        if (!text.empty())
            text += ", ";
        text += database.name;
        if (!database.read)
            text += " (not read: " + database.problem + ")";
        else if (database.packages > 0)
            text += " (" + std::to_string(database.packages) +
                    (database.packages == 1 ? " package)" : " packages)");
    }
    return text;
}

} // namespace dustrel
