#pragma once

#include <string>
#include <string_view>

namespace dustrel {

// Letter case is folded for ASCII letters only; every other byte compares exactly, so names that are
// not valid text still compare sensibly.
constexpr char asciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toUpperAscii(std::string_view text);
std::string toLowerAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Name order: ASCII letters without regard to case, ties broken by the bytes.
bool nameLess(std::string_view a, std::string_view b);

// Blanks as the text formats read here separate fields: spaces and tabs unless the caller names others.
constexpr std::string_view kBlanks = " \t";

constexpr bool isBlank(char c, std::string_view blanks = kBlanks)
{
    return blanks.find(c) != std::string_view::npos;
}

std::string_view trimLeft(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trimRight(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trim(std::string_view text, std::string_view blanks = kBlanks);

// The path without its trailing separators; a path made only of separators keeps one ("//" gives "/").
std::string_view withoutTrailingSeparators(std::string_view path, char separator);

// The text without one trailing separator, if it has one ("C:\" gives "C:", "/" gives "").
std::string withoutTrailingSeparator(std::string_view path, char separator);

// Folder + separator + name, with a single separator when the folder already ends with one.
std::string joinPath(std::string_view folder, std::string_view name, char separator);

// A count as people and older versions wrote it: blanks around a decimal number with an optional "+"
// ("7", " 7", "+7 "). False for anything else, a negative number or one above `limit`: a count that
// cannot be read must not be taken for zero.
bool parseCount(std::string_view text, long long limit, long long& out);

} // namespace dustrel
