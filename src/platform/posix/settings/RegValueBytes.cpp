#include "platform/posix/settings/RegValueBytes.h"

#include "base/Text.h"

namespace dustrel::posix {

namespace {

std::optional<std::string> dwordBytes(std::string_view digits)
{
    const long number = digits.size() == 8 ? hexValue(digits, 0, 8) : -1;
    if (number < 0)
        return std::nullopt;
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
    return bytes;
}

// "59,65,73,00", with blanks, line breaks and "\" continuations around the bytes.
std::optional<std::string> listBytes(std::string_view list)
{
    constexpr std::string_view kBetween = " \t\r\n\\";
    std::string bytes;
    if (trim(list, kBetween).empty())
        return bytes;
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = trim(list.substr(0, comma), kBetween);
        const long byte = item.size() <= 2 ? hexValue(item, 0, item.size()) : -1;
        if (item.empty() || byte < 0)
            return std::nullopt;
        bytes += static_cast<char>(byte);
        if (comma == std::string_view::npos)
            return bytes;
        list.remove_prefix(comma + 1);
    }
}

} // namespace

std::optional<std::string> regValueBytes(std::string_view data)
{
    if (startsWithIgnoreCase(data, "dword:"))
        return dwordBytes(data.substr(6));
    if (startsWithIgnoreCase(data, "hex:"))
        return listBytes(data.substr(4));
    if (startsWithIgnoreCase(data, "hex(")) {
        const std::size_t close = data.find("):");
        const std::size_t typeDigits = close == std::string_view::npos ? 0 : close - 4;
        if (typeDigits == 0 || typeDigits > 8 || hexValue(data, 4, typeDigits) < 0)
            return std::nullopt;
        return listBytes(data.substr(close + 2));
    }
    return std::nullopt;
}

} // namespace dustrel::posix
