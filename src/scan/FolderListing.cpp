#include "scan/FolderListing.h"

#include "base/Text.h"
#include "scan/PatternMatcher.h"

#include <algorithm>

namespace dustrel {

std::vector<std::string> ListMatchingFiles(FileSystem& fileSystem, const std::string& folder,
                                           const PatternMatcher& patterns)
{
    std::vector<std::string> names;
    auto entries = fileSystem.listFolder(folder);
    if (!entries)
        return names;
    for (FolderEntry& entry : *entries) {
        // The platform resolves the type of every entry, so only regular files count here.
        if (entry.type == EntryType::File && patterns.matches(entry.name))
            names.push_back(std::move(entry.name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return nameLess(a, b); });
    return names;
}

} // namespace dustrel
