#pragma once

#include <cstddef>
#include <optional>
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

// The length of the well-formed UTF-8 sequence at `pos`, or 0 when the byte there does not start one.
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos);

// The number that `count` hex digits at `pos` write (in either letter case), or -1 when they are not all
// there.
long hexValue(std::string_view text, std::size_t pos, std::size_t count);

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void appendUtf8(std::string& out, char32_t code);

// Appends bytes as one line of text that reads back unambiguously and shows as it reads: "\\" for a
// backslash, "\n", "\r", "\t" and "\0" for those control characters, "\xHH" for the others and for every
// byte that is not part of valid UTF-8, "\uHHHH" for the characters that break or reorder lines in a viewer
// (U+0080 to U+009F, U+2028 to U+202E, U+2066 to U+2069, U+061C, U+200E, U+200F); `alsoEscaped` (when not 0)
// is written with a backslash before it.
void appendEscaped(std::string& out, std::string_view bytes, char alsoEscaped = 0);

// Blanks as the text formats read here separate fields: spaces and tabs unless the caller names others.
constexpr std::string_view kBlanks = " \t";

constexpr bool isBlank(char c, std::string_view blanks = kBlanks)
{
    return blanks.find(c) != std::string_view::npos;
}

std::string_view trimLeft(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trimRight(std::string_view text, std::string_view blanks = kBlanks);
std::string_view trim(std::string_view text, std::string_view blanks = kBlanks);

// The path without its trailing separators, except that a path made only of separators keeps one: the
// root stays the root ("/home//" gives "/home", "//" gives "/").
std::string_view withoutTrailingSeparatorsKeepingRoot(std::string_view path, char separator);

// The path ending in exactly one separator ("/tmp//" and "/tmp" give "/tmp/", "" gives "/").
std::string withOneTrailingSeparator(std::string_view path, char separator);

// The text without one trailing separator, if it has one, even when nothing is left ("C:\" gives "C:",
// "/" gives "").
std::string withoutTrailingSeparator(std::string_view path, char separator);

// True when the absolute POSIX `path` is `folder` or lies inside it ("/home" holds "/home/a" but not
// "/homework").
bool pathIsWithin(std::string_view path, std::string_view folder);

// Folder + separator + name, with a single separator when the folder already ends with one.
std::string joinPath(std::string_view folder, std::string_view name, char separator);

// Every byte but letters, digits, "-", "_", ".", "~" and "/" as "%" and two upper-case hex digits: the
// names of this system are bytes, so spaces, "%", new lines and invalid UTF-8 all survive the round trip.
std::string percentEncodePath(std::string_view path);

// A count as people and older versions wrote it: blanks around a decimal number with an optional "+"
// ("7", " 7", "+7 "). Nothing for anything else, a negative number or one above `limit`: a count that
// cannot be read must not be taken for zero.
[[nodiscard]] std::optional<long long> parseCount(std::string_view text, long long limit);

} // namespace dustrel
