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
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return asciiUpper(x) == asciiUpper(y); });
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

std::size_t utf8SequenceLength(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    if (byte(pos + 1) < low || byte(pos + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF)
            return 0;
    return length;
}

namespace {

constexpr char kHex[] = "0123456789abcdef";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code point of one well-formed sequence.
char32_t decodeUtf8(std::string_view sequence)
{
    const auto byte = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(sequence[i]));
    };
    char32_t code = byte(0) & (0x7F >> sequence.size());
    for (std::size_t i = 1; i < sequence.size(); ++i)
        code = (code << 6) | (byte(i) & 0x3F);
    return code;
}

// Characters that a viewer acts on rather than shows: the C1 controls (U+0085 breaks lines), the line
// and paragraph separators, and the controls that reorder text from right to left. Written raw, a name
// holding one could make a line of a log look like other lines.
bool actsOnText(char32_t code)
{
    return (code >= 0x80 && code <= 0x9F) || code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

long hexValue(std::string_view text, std::size_t pos, std::size_t count)
{
    if (pos + count > text.size())
        return -1;
    long value = 0;
    for (std::size_t k = pos; k < pos + count; ++k) {
        const int digit = hexDigit(text[k]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendEscaped(std::string& out, std::string_view bytes, char alsoEscaped)
{
    out.reserve(out.size() + bytes.size() + 8);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            if (const std::size_t length = utf8SequenceLength(bytes, i)) {
                const std::string_view sequence = bytes.substr(i, length);
                i += length;
                if (const char32_t code = decodeUtf8(sequence); actsOnText(code)) {
                    out += "\\u";
                    for (int shift = 12; shift >= 0; shift -= 4)
                        out += kHex[(code >> shift) & 0xF];
                } else {
                    out.append(sequence);
                }
                continue;
            }
        }
        ++i;
        switch (c) {
        case '\\':
            out += "\\\\";
            continue;
        case '\n':
            out += "\\n";
            continue;
        case '\r':
            out += "\\r";
            continue;
        case '\t':
            out += "\\t";
            continue;
        case '\0':
            out += "\\0";
            continue;
        default:
            break;
        }
        if (c < 0x20 || c >= 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            if (alsoEscaped != 0 && static_cast<char>(c) == alsoEscaped)
                out += '\\';
            out += static_cast<char>(c);
        }
    }
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

std::string_view withoutTrailingSeparatorsKeepingRoot(std::string_view path, char separator)
{
    while (path.size() > 1 && path.back() == separator)
        path.remove_suffix(1);
    return path;
}

std::string withOneTrailingSeparator(std::string_view path, char separator)
{
    std::string out(withoutTrailingSeparatorsKeepingRoot(path, separator));
    if (out.empty() || out.back() != separator)
        out += separator;
    return out;
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

std::optional<long long> parseCount(std::string_view text, long long limit)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

std::string percentEncodePath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
                           c == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

bool pathIsWithin(std::string_view path, std::string_view folder)
{
    folder = withoutTrailingSeparatorsKeepingRoot(folder, '/');
    if (folder == "/")
        return !path.empty() && path.front() == '/';
    if (path.substr(0, folder.size()) != folder)
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

} // namespace dustrel
