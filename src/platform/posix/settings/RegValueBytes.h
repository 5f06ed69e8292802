#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dustrel::posix {

// The bytes a value of another type than string holds, from its data as a settings file writes them:
// "dword:" and eight hexadecimal digits (the number's four bytes, lowest first), or "hex:" or "hex(N):"
// and bytes as two hexadecimal digits separated by commas, with "\" line continuations. Nothing when
// the data is none of these or malformed.
std::optional<std::string> regValueBytes(std::string_view data);

} // namespace dustrel::posix
