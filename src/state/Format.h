#pragma once

#include "platform/Locale.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dustrel {

// "##,##0": whole number with grouped thousands ("0" for zero).
std::string formatWhole(std::int64_t value, const NumberFormat& format);

// "##,##0.0": at least one digit before the decimal separator, grouped thousands, one decimal, rounded
// half away from zero.
std::string formatOneDecimal(double value, const NumberFormat& format);

// Reads back a text made by formatWhole (group separators accepted); nothing when it is not a number.
[[nodiscard]] std::optional<std::int64_t> parseWhole(std::string_view text, const NumberFormat& format);

} // namespace dustrel
