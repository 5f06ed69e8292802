#include "scan/PatternMatcher.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {
namespace {

constexpr std::string_view kDefaultList =
    "*.BAK;*.OLD;*.TMP;*.~*;~*.*;*.$$$;*.---;*.GID;*.FTS;*.FTG;*.FND;*.CHK;*.$DB;*.DB$;*.DIZ;*.SDI;*.DA0;"
    "*.DMP;CHKLIST.*;ANTI-VIR.DAT;*.MTX;MSCREATE.DIR;*LOG.TXT;BOOTLOG.PRV;MODEMDET.TXT;SUHDLOG.DAT;"
    "SYSTEM.1ST";

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// The rules written as plainly as possible: one dynamic-programming pass per piece.
bool referencePiece(std::string_view piece, std::string_view name)
{
    if (piece.empty())
        return false;
    if (piece == "*.*")
        return true;
    std::vector<bool> reach(name.size() + 1, false); // reach[j]: the piece so far matches name[0, j)
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

bool referenceList(std::string_view list, std::string_view name)
{
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (referencePiece(list.substr(start, end - start), name))
            return true;
        start = end + 1;
    }
    return false;
}

std::string shown(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        out += (c >= 0x20 && c < 0x7F) ? std::string(1, c) : std::string(hex);
    }
    return out + "\"";
}

struct Case
{
    std::string_view list;
    std::vector<std::string_view> matching;
    std::vector<std::string_view> others;
};

TEST(PatternMatcherTest, StatedRulesAndTrickyShapes)
{
    const Case cases[] = {
        {"*.*", {"README", "a.b.c", "."}, {}},
        {"*.**", {"a."}, {"README"}},
        {"*.*.*", {"a.b.c"}, {"a.b"}},
        {"NULL", {"null", "NuLl"}, {"NULL.TXT", "XNULL"}},
        {"~*.*", {"~$doc.docx", "~."}, {"~tmp", "a~b.c"}},
        {"*LOG.TXT", {"BOOTLOG.TXT", "log.txt"}, {"LOG.TXT.1", "LOGTXT"}},
        {"CHKLIST.*", {"chklist.ms", "CHKLIST."}, {"CHKLIST", "XCHKLIST.MS"}},
        {"*.TMP", {"a.b.TmP", ".tmp", "a;b.tmp"}, {"a.tmp.gz", "TMP", "a.tmpx"}},
        {"*.tar.gz", {"X.TAR.GZ"}, {"x.gz"}},
        {"*.", {"abc."}, {"abc"}},
        {"*.~*", {"file.~1", "a.b.~c.d"}, {"file~.x"}},
        {"*.?", {"a.b"}, {"a.bc"}},
        {"A?C", {"abc", "A?C"}, {"ABBC", "AC"}},
        {"a*b*c", {"aXbYc", "abc"}, {"acb"}},
        {"*a*a", {"aa", "bab a"}, {"a", "aab"}},
        {"**.TMP;[A]*;*.$$$", {"x.tmp", "[a]x", "x.$$$"}, {"a"}},
        {"?.TXT", {"a.txt"}, {"\xC3\xA9.TXT"}},
        {"??.TXT", {"\xC3\xA9.txt"}, {}},
        {"*.\xC3\x89;\xC9*", {"\xC9t\xE9"}, {"a.\xC3\xA9", "\xE9t\xE9"}},
        {"", {}, {"a", ""}},
        {";", {}, {"a", ""}},
        {"A;;B", {"b"}, {"", "ab"}},
        {"*.BAK;", {"x.bak"}, {"x"}},
        {";*.BAK", {"x.bak"}, {"x"}},
        {"*", {"", "x"}, {}},
        {"*?", {"x"}, {""}},
        {kDefaultList,
         {"BOOTLOG.TXT", "~WRL0001.tmp", "SYSTEM.1st", "ANTI-VIR.DAT", "x.DB$", "a.~"},
         {"a.BAK.gz", "SYSTEM.1", "readme", "x.db", "MSCREATE.DIRS"}},
    };
    for (const Case& c : cases) {
        const PatternMatcher matcher(c.list);
        for (const bool expected : {true, false}) {
            for (const std::string_view name : expected ? c.matching : c.others) {
                SCOPED_TRACE(shown(c.list) + " on " + shown(name));
                EXPECT_EQ(referenceList(c.list, name), expected) << "reference";
                EXPECT_EQ(matcher.matches(name), expected);
            }
        }
    }
}

TEST(PatternMatcherTest, MatchesAllOnlyWhenAPieceTakesEverything)
{
    const std::pair<std::string_view, bool> cases[] = {
        {"*", true},   {"**", true},    {"*.*", true}, {"*.TMP;*.*", true}, {"*.**", false},
        {"*?", false}, {"NULL", false}, {"", false},   {";", false},        {kDefaultList, false},
    };
    for (const auto& [list, expected] : cases)
        EXPECT_EQ(PatternMatcher(list).matchesAll(), expected) << shown(list);
}

TEST(PatternMatcherTest, AgreesWithReferenceOnRandomListsAndNames)
{
    const std::string_view alphabet = "*?.aAbB~\xE9\xC9;";
    std::mt19937 random(20240611);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    auto text = [&](std::size_t maxLength) {
        std::string out(pick(maxLength + 1), ' ');
        for (char& c : out)
            c = alphabet[pick(alphabet.size())];
        return out;
    };
    int failures = 0;
    for (int round = 0; round < 100000 && failures < 10; ++round) {
        const std::string name = text(12);
        std::string list = text(10);
        // Half of the lists are made from the name itself, so that matches are common.
        if (round % 2 == 0 && !name.empty()) {
            list = name;
            for (std::size_t i = 0; i < list.size(); ++i) {
                const std::size_t roll = pick(8);
                if (roll == 0)
                    list[i] = '?';
                else if (roll == 1)
                    list.replace(i, pick(3), "*");
                else if (roll == 2)
                    list[i] = static_cast<char>(list[i] ^ 0x20);
            }
        }
        const bool expected = referenceList(list, name);
        if (PatternMatcher(list).matches(name) != expected) {
            ++failures;
            ADD_FAILURE() << shown(list) << " on " << shown(name) << " should give " << expected;
        }
    }
}

TEST(PatternMatcherTest, ManyStarsDoNotBacktrackExponentially)
{
    const std::string as(10000, 'a');
    EXPECT_FALSE(PatternMatcher("*a*a*a*a*a*a*b").matches(as));
    EXPECT_TRUE(PatternMatcher("*a*a*a*a*a*a*b").matches(as + "b"));
    EXPECT_FALSE(PatternMatcher("*a*a*a*a*a*a*b*").matches(as));
    EXPECT_FALSE(PatternMatcher("*a?a?a?a?a*b?").matches(as));
}

} // namespace
} // namespace dustrel
