#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dustrel::posix {

// Reads from `fd` to its end, repeating interrupted reads; fails with EFBIG once more than `limit` bytes
// come. `path` only names the file in a failure.
Result<std::string> readToEnd(int fd, std::size_t limit, const std::string& path);

// Writes every byte, repeating interrupted and partial writes.
Result<void> writeAll(int fd, std::string_view bytes, const std::string& path);

} // namespace dustrel::posix
