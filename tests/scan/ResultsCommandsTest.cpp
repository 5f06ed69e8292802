#include "scan/ResultsCommands.h"

#include "support/ScanFixture.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using Strings = std::vector<std::string>;

class DoubleClick : public test::ScanFixture, public ::testing::Test
{
};

TEST_F(DoubleClick, AsksThenRemovesTheRowAndItsSizeAndYesIgnoresTheFileFromThenOn)
{
    addDrive('C', "c");
    file("c/X.TMP");
    file("c/sub/big.tmp", "1234567");
    tickRule(2);
    search();
    ASSERT_EQ(rows(), (Strings{"c/X.TMP", "c/sub/big.tmp"}));

    fake.messageBoxes.answerNext(MessageAnswer::No);
    EXPECT_FALSE(ListView1_DblClick(context, 1));
    ASSERT_EQ(fake.messageBoxes.shown.size(), 1u);
    const Message& question = fake.messageBoxes.shown[0];
    EXPECT_EQ(question.text, "Do you want this file to be added to the ignore file list ?");
    EXPECT_EQ(question.buttons, MessageButtons::YesNo);
    EXPECT_EQ(rows(), Strings{"c/X.TMP"});
    EXPECT_EQ(state.IGN_TBL.count(), 0u);
    EXPECT_EQ(host.statusText(), "   Total wasted size : 1 byte(s) - 1 file(s).");
    EXPECT_TRUE(host.button(Command::Delete).enabled);

    // Yes on the last row: its full path is ignored, Delete goes off, and a row that is not there asks
    // nothing.
    fake.messageBoxes.answerNext(MessageAnswer::Yes);
    EXPECT_TRUE(ListView1_DblClick(context, 0));
    EXPECT_EQ(state.IGN_TBL.entries(), Strings{temp / "c/X.TMP"}); // a root file: one separator
    EXPECT_FALSE(host.button(Command::Delete).enabled);
    EXPECT_EQ(host.statusText(), "   Total wasted size : 0 byte(s) - 0 file(s).");
    EXPECT_FALSE(ListView1_DblClick(context, 0));
    EXPECT_EQ(fake.messageBoxes.shown.size(), 2u);

    search();
    EXPECT_EQ(rows(), Strings{"c/sub/big.tmp"});
}

// Several rows at once: No changes nothing; repeated and missing row numbers count once or not at all;
// ignoring asks nothing and takes the rows out as removing does.
TEST_F(DoubleClick, SeveralRowsGoAfterOneQuestionOrIntoTheIgnoreList)
{
    addDrive('C', "c");
    for (const char* name : {"c/a/1.tmp", "c/b/2.tmp", "c/c/3.tmp", "c/d/4.tmp"})
        file(name, "12");
    tickRule(2);
    search();

    fake.messageBoxes.answerNext(MessageAnswer::No);
    EXPECT_FALSE(RemoveRows(context, {3, 0, 3, 9}));
    EXPECT_EQ(fake.messageBoxes.shown.back().text,
              "Do you want to remove the 2 selected file(s) from the list ?");
    EXPECT_EQ(rows().size(), 4u);
    fake.messageBoxes.answerNext(MessageAnswer::Yes);
    EXPECT_TRUE(RemoveRows(context, {3, 0, 3, 9}));
    EXPECT_EQ(rows(), (Strings{"c/b/2.tmp", "c/c/3.tmp"}));
    EXPECT_EQ(host.statusText(), "   Total wasted size : 4 byte(s) - 2 file(s).");
    EXPECT_FALSE(RemoveRows(context, {7})); // nothing there: no question

    EXPECT_EQ(IgnoreRows(context, {1, 0}), (Strings{temp / "c/b/2.tmp", temp / "c/c/3.tmp"}));
    EXPECT_EQ(state.IGN_TBL.entries(), (Strings{temp / "c/b/2.tmp", temp / "c/c/3.tmp"}));
    EXPECT_EQ(fake.messageBoxes.shown.size(), 2u); // neither asked
    EXPECT_EQ(host.statusText(), "   Total wasted size : 0 byte(s) - 0 file(s).");
    EXPECT_FALSE(host.button(Command::Delete).enabled);
}

} // namespace
} // namespace dustrel
