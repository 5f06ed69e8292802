#include "base/Text.h"

#include <algorithm>

namespace dustrel {

std::string toUpperAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiUpper);
    return out;
}

std::string toLowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), asciiLower);
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
}

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool nameLess(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(asciiLower(a[i]));
        const auto y = static_cast<unsigned char>(asciiLower(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

std::string_view trimLeft(std::string_view text, std::string_view blanks)
{
    while (!text.empty() && isBlank(text.front(), blanks))
        text.remove_prefix(1);
    return text;
}

std::string_view trimRight(std::string_view text, std::string_view blanks)
{
    while (!text.empty() && isBlank(text.back(), blanks))
        text.remove_suffix(1);
    return text;
}

std::string_view trim(std::string_view text, std::string_view blanks)
{
    return trimRight(trimLeft(text, blanks), blanks);
}

std::string_view withoutTrailingSeparators(std::string_view path, char separator)
{
    while (path.size() > 1 && path.back() == separator)
        path.remove_suffix(1);
    return path;
}

std::string withoutTrailingSeparator(std::string_view path, char separator)
{
    if (!path.empty() && path.back() == separator)
        path.remove_suffix(1);
    return std::string(path);
}

std::string joinPath(std::string_view folder, std::string_view name, char separator)
{
    std::string out(folder);
    if (out.empty() || out.back() != separator)
        out += separator;
    out += name;
    return out;
}

bool parseCount(std::string_view text, long long limit, long long& out)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > limit)
            return false;
    }
    out = value;
    return true;
}

} // namespace dustrel
