#include "scan/PatternMatcher.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel {
namespace {

constexpr std::string_view kDefaultList =
    "*.BAK;*.OLD;*.TMP;*.~*;~*.*;*.$$$;*.---;*.GID;*.FTS;*.FTG;*.FND;*.CHK;*.$DB;*.DB$;*.DIZ;*.SDI;*.DA0;"
    "*.DMP;CHKLIST.*;ANTI-VIR.DAT;*.MTX;MSCREATE.DIR;*LOG.TXT;BOOTLOG.PRV;MODEMDET.TXT;SUHDLOG.DAT;"
    "SYSTEM.1ST";

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
        {"NULL",
         {"null", "NuLl"},
         {"NULL.TXT", "XNULL", "NUL\xCC", "\xCEULL"}}, // as "L" and "N" do with these
        {"~*.*", {"~$doc.docx", "~."}, {"~tmp", "a~b.c"}},
        {"*LOG.TXT", {"BOOTLOG.TXT", "log.txt"}, {"LOG.TXT.1", "LOGTXT"}},
        {"CHKLIST.*", {"chklist.ms", "CHKLIST."}, {"CHKLIST", "XCHKLIST.MS"}},
        {"*.TMP", {"a.b.TmP", ".tmp", "a;b.tmp"}, {"a.tmp.gz", "TMP", "a.tmpx"}},
        {"*.tar.gz", {"X.TAR.GZ"}, {"x.gz"}},
        {"*.", {"abc."}, {"abc"}},
        {"*.~*", {"file.~1", "a.b.~c.d"}, {"file~.x", "a.>x", "a.\xBE"}}, // ">" and 0xBE share a bit with "~"
        {"*.?", {"a.b"}, {"a.bc"}},
        {"A?C", {"abc", "A?C"}, {"ABBC", "AC", "ABCD"}},
        {"a*b*c", {"aXbYc", "abc"}, {"acb"}},
        {"*a*a", {"aa", "bab a"}, {"a", "aab"}},
        {"**.TMP;[A]*;*.$$$", {"x.tmp", "[a]x", "x.$$$"}, {"a"}},
        {"?.TXT", {"a.txt"}, {"\xC3\xA9.TXT", "a.txt.keep"}},
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
                EXPECT_EQ(matcher.matches(name), expected);
                EXPECT_EQ(matcher.firstMatch(name) != PatternMatcher::npos, expected);
            }
        }
    }
}

// The piece a name is put down to is the first in the list that matches, empty pieces counted.
TEST(PatternMatcherTest, FirstMatchIsTheEarliestPieceThatMatches)
{
    const struct
    {
        std::string_view list;
        std::string_view name;
        std::size_t piece;
    } cases[] = {
        {";*.BAK;X*;*.*", "x.bak", 1},
        {"X*;*.BAK", "x.bak", 0},
        {"*.ZIP;*.*;*.BAK", "x.bak", 1},
        {"A;;B", "b", 2},
        {"*.TMP;~*.*", "~a.tmp", 0},
        {"~*.*;*.TMP", "~a.tmp", 0},
        {"*.GZ;*.tar.gz", "a.TAR.gz", 0},
        {"a*b;A?B;AXB", "axb", 0},
        {"*.X;?;*?", "q", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PatternMatcher(c.list).firstMatch(c.name), c.piece)
            << shown(c.list) << " on " << shown(c.name);
}

TEST(PatternMatcherTest, MatchesAllOnlyWhenAPieceTakesEveryName)
{
    // A name of every kind a file can have; no file has the empty name.
    const std::string_view probes[] = {"a", "A.B", ".x", "noext", "a.b.c", "\xFF"};
    const std::pair<std::string_view, bool> cases[] = {
        {"*", true},     {"**", true},    {"*.*", true},       {"*?", true},          {"?*", true},
        {"*?*", true},   {"**?**", true}, {"*.TMP;*.*", true}, {"*.BAK;?*", true},    {"*.**", false},
        {"**.*", false}, {"??*", false},  {"*??", false},      {"?", false},          {"*?.*", false},
        {"NULL", false}, {"", false},     {";", false},        {kDefaultList, false},
    };
    for (const auto& [list, expected] : cases) {
        const PatternMatcher matcher(list);
        EXPECT_EQ(matcher.matchesAll(), expected) << shown(list);
        const bool everyProbe = std::all_of(std::begin(probes), std::end(probes),
                                            [&](std::string_view name) { return matcher.matches(name); });
        EXPECT_EQ(everyProbe, expected) << shown(list);
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
