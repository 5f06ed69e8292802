#include "scan/PatternMatcher.h"

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
        {"NULL", {"null", "NuLl"}, {"NULL.TXT", "XNULL"}},
        {"~*.*", {"~$doc.docx", "~."}, {"~tmp", "a~b.c"}},
        {"*LOG.TXT", {"BOOTLOG.TXT", "log.txt"}, {"LOG.TXT.1", "LOGTXT"}},
        {"CHKLIST.*", {"chklist.ms", "CHKLIST."}, {"CHKLIST", "XCHKLIST.MS"}},
        {"*.TMP", {"a.b.TmP", ".tmp", "a;b.tmp"}, {"a.tmp.gz", "TMP", "a.tmpx"}},
        {"*.tar.gz", {"X.TAR.GZ"}, {"x.gz"}},
        {"*.", {"abc."}, {"abc"}},
        {"*.~*", {"file.~1", "a.b.~c.d"}, {"file~.x"}},
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
