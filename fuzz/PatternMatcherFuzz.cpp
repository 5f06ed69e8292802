// Compares the compiled pattern-list matcher with a plain dynamic-programming reading of the rules.
// Input: the pattern list, a zero byte, then the name (without a zero byte, the halves of the input).

#include "scan/PatternMatcher.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool referencePiece(std::string_view piece, std::string_view name)
{
    if (piece.empty())
        return false;
    if (piece == "*.*")
        return true;
    std::vector<bool> reach(name.size() + 1, false);
    reach[0] = true;
    for (const char p : piece) {
        std::vector<bool> next(name.size() + 1, false);
        bool seen = false;
        for (std::size_t j = 0; j <= name.size(); ++j) {
            seen = seen || reach[j];
            if (p == '*')
                next[j] = seen;
            else if (j > 0)
                next[j] = reach[j - 1] && (p == '?' || upper(p) == upper(name[j - 1]));
        }
        reach = std::move(next);
    }
    return reach[name.size()];
}

std::vector<std::string_view> pieces(std::string_view list)
{
    std::vector<std::string_view> out;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        out.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

void fail(const char* what, std::string_view list, std::string_view name)
{
    std::fprintf(stderr, "%s: list of %zu bytes, name of %zu bytes\n", what, list.size(), name.size());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The reference is quadratic; longer inputs find nothing new and only slow the run down.
    if (size > 2048)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\0');
    std::size_t nameStart = split + 1;
    if (split == std::string_view::npos) {
        split = size / 2;
        nameStart = split;
    }
    const std::string_view list = input.substr(0, split);
    const std::string_view name = input.substr(nameStart);

    bool expected = false;
    bool expectedAll = false;
    std::size_t expectedFirst = dustrel::PatternMatcher::npos;
    std::size_t index = 0;
    for (const std::string_view piece : pieces(list)) {
        const bool hit = referencePiece(piece, name);
        if (hit && !expected)
            expectedFirst = index;
        ++index;
        expected = expected || hit;
        // Every name a file can have: "*.*", stars alone, or stars with one "?" (names are never empty).
        const bool wildOnly = !piece.empty() && piece.find_first_not_of("*?") == std::string_view::npos;
        const auto questions = std::count(piece.begin(), piece.end(), '?');
        expectedAll = expectedAll || piece == "*.*" ||
                      (wildOnly && questions <= 1 && questions < static_cast<long>(piece.size()));
    }

    const dustrel::PatternMatcher matcher(list);
    if (matcher.matches(name) != expected)
        fail("matches() disagrees with the reference", list, name);
    if (matcher.firstMatch(name) != expectedFirst)
        fail("firstMatch() disagrees with the reference", list, name);
    if (matcher.matchesAll() != expectedAll)
        fail("matchesAll() disagrees with the reference", list, name);

    // Letter case of the name never matters.
    std::string swapped(name);
    for (char& c : swapped) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            c = static_cast<char>(c ^ 0x20);
    }
    if (matcher.matches(swapped) != expected)
        fail("matches() depends on the letter case of the name", list, name);
    return 0;
}
