#include "state/ProgramState.h"

#include "state/FileTypes.h"
#include "state/Format.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

TEST(IgnoreTable, SlotsAndLookUpsFoldAsciiCaseOnlyAndFollowRemovals)
{
    IgnoreTable table;
    table.reset("/tmp/~DFA.TMP");
    EXPECT_EQ(table.highestIndex(), 1u);
    EXPECT_EQ(table.slot(1), "") << "the spare slot";
    table.setEntries({"/home/u/X.TMP", "/home/u/X.TMP", "/home/u/\xC3\xA9.bak"});
    EXPECT_TRUE(table.contains("/HOME/U/x.tmp"));
    EXPECT_TRUE(table.contains("/tmp/~dfa.tmp"));
    EXPECT_TRUE(table.contains("/home/u/\xC3\xA9.BAK"));
    EXPECT_FALSE(table.contains("/home/u/\xC3\x89.bak")) << "only ASCII letters fold";
    EXPECT_FALSE(table.contains("")) << "the spare slot is never a match";

    table.removeAt(0);
    EXPECT_TRUE(table.contains("/home/u/x.tmp")) << "a duplicate entry still stands";
    table.removeAt(0);
    EXPECT_FALSE(table.contains("/home/u/x.tmp"));
    table.append("/a/b");
    EXPECT_EQ(table.highestIndex(), 3u);
    EXPECT_EQ(table.slot(2), "/a/b");
    EXPECT_EQ(table.slot(3), "");
    EXPECT_EQ(ProgramState().CSTM_TBL.highestIndex(), 0u);
}

TEST(BuildFilter, JoinsTickedRulesInIndexOrderThenCustomPatterns)
{
    const struct
    {
        std::vector<std::size_t> ticked;
        std::vector<std::string> custom;
        std::string expected;
    } cases[] = {
        {{}, {}, "NULL"},
        {{3, 0}, {"*.XYZ"}, "*.BAK;*.~*;~*.*;*.XYZ"},
        {{}, {"A*", "B?"}, "A*;B?"},
        {{2}, {"*.TMP"}, "*.TMP;*.TMP"},
        {{}, {"*.A;*.B"}, "*.A;*.B"},
    };
    for (const auto& c : cases) {
        ProgramState state;
        InitFileTypes(state);
        state.choices.setFileState(5, CheckState::Greyed); // greyed does not select
        for (std::size_t i : c.ticked)
            state.choices.setFileState(i, CheckState::Ticked);
        state.CSTM_TBL.setPatterns(c.custom);
        BuildFilter(state);
        EXPECT_EQ(state.FILTRE, c.expected);
    }
}

TEST(Format, GroupsThousandsAndRoundsOneDecimal)
{
    const NumberFormat c;
    const NumberFormat de{".", ",", 3};
    EXPECT_EQ(formatWhole(0, c), "0");
    EXPECT_EQ(formatWhole(999, c), "999");
    EXPECT_EQ(formatWhole(1000, c), "1,000");
    EXPECT_EQ(formatWhole(5'000'000'000, c), "5,000,000,000");
    EXPECT_EQ(formatWhole(1234567, de), "1.234.567");
    EXPECT_EQ(formatWhole(1234567, NumberFormat{"", ".", 3}), "1234567");
    EXPECT_EQ(formatOneDecimal(1000.0, c), "1,000.0");
    EXPECT_EQ(formatOneDecimal(0.04, c), "0.0");
    EXPECT_EQ(formatOneDecimal(1.95, c), "2.0");
    EXPECT_EQ(formatOneDecimal(512.25, c), "512.3");
    EXPECT_EQ(formatOneDecimal(1234.5, de), "1.234,5");
    EXPECT_EQ(parseWhole("1,234,567", c), 1234567);
    EXPECT_EQ(parseWhole("1.234.567", de), 1234567);
    EXPECT_EQ(parseWhole("12a", c), std::nullopt);
}

} // namespace
} // namespace dustrel
