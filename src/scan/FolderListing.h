#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace dustrel {

class PatternMatcher;

// The names of the regular files directly inside a folder that match the pattern list, in name order.
// Hidden files qualify; folders, links, FIFOs, sockets and devices never do. An unreadable folder has
// no files.
std::vector<std::string> ListMatchingFiles(FileSystem& fileSystem, const std::string& folder,
                                           const PatternMatcher& patterns);

} // namespace dustrel
