#include "app/Main.h"

#include "settings/Parameters.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using test::FakePlatform;

struct RecordingModes : RunModes
{
    RunOutcome SplashScreen(bool topmost) override
    {
        calls.push_back(topmost ? "splash(topmost)" : "splash");
        return RunOutcome::eventLoop();
    }
    RunOutcome DebugMode() override
    {
        calls.push_back("debug");
        return RunOutcome::eventLoop();
    }
    RunOutcome AutoMode() override
    {
        calls.push_back("auto");
        return RunOutcome::end(0);
    }
    RunOutcome ListMode() override
    {
        calls.push_back("list");
        return RunOutcome::end(0);
    }
    std::vector<std::string> calls;
};

TEST(Main, DispatchesExactlyOneSwitchInAnyLetterCase)
{
    const struct
    {
        const char* argument;
        std::vector<std::string> calls;
        RunOutcome::Next next;
        std::size_t messages;
    } cases[] = {
        {"", {"splash(topmost)"}, RunOutcome::Next::RunEventLoop, 0},
        {"/auto", {"splash(topmost)", "auto"}, RunOutcome::Next::EndProgram, 0},
        {"/List", {"splash(topmost)", "list"}, RunOutcome::Next::EndProgram, 0},
        {"/Debug", {"debug"}, RunOutcome::Next::RunEventLoop, 0},
        {"/NOSPLASH", {"splash"}, RunOutcome::Next::RunEventLoop, 0},
        {"/reginit", {}, RunOutcome::Next::EndProgram, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        FakePlatform fake;
        ProgramState state;
        RecordingModes modes;
        const RunOutcome outcome = Main(state, fake.platform, CommandLine(c.argument), modes);
        EXPECT_EQ(modes.calls, c.calls);
        EXPECT_EQ(outcome.next, c.next);
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(fake.messageBoxes.shown.size(), c.messages);
        EXPECT_EQ(fake.registry.get(RegistryRoot::LocalMachine, kSettingsKey, "SaveParams").has_value(),
                  c.messages == 1)
            << "only /REGINIT writes the defaults";
    }
}

TEST(Main, RefusesAnythingElseWithTheSixLineMessageAndTouchesNothing)
{
    for (const char* argument :
         {"/AUTO /NOSPLASH", "/AUTO ", "AUTO", " /AUTO", "/X", "/REGINIT /AUTO", "/LIST /AUTO"}) {
        SCOPED_TRACE(argument);
        FakePlatform fake;
        ProgramState state;
        RecordingModes modes;
        const RunOutcome outcome = Main(state, fake.platform, CommandLine(argument), modes);
        EXPECT_EQ(outcome.next, RunOutcome::Next::EndProgram);
        EXPECT_EQ(outcome.exitCode, kExitUnknownParameter);
        EXPECT_TRUE(modes.calls.empty());
        EXPECT_EQ(fake.registry.writes, 0);
        ASSERT_EQ(fake.messageBoxes.shown.size(), 1u);
        const Message& message = fake.messageBoxes.shown[0];
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
        EXPECT_EQ(message.text.rfind("Unknown parameter.\n\r", 0), 0u) << message.text;
        EXPECT_EQ(state.trace.text(),
                  "--> Sub Main()\r\n     --> Command Parameter : " + std::string(argument) + "\r\n");
    }
}

TEST(Main, TracesTheCommandLineAsGivenAndJoinsArgumentsWithOneBlank)
{
    FakePlatform fake;
    ProgramState state;
    RecordingModes modes;
    Main(state, fake.platform, CommandLine(""), modes);
    EXPECT_EQ(state.trace.text(),
              "--> Sub Main()\r\n     --> Command Parameter : \r\n--> End Sub Main()\r\n");

    const char* argv[] = {"dustrel", "/AUTO", "", "a  b"};
    EXPECT_EQ(CommandLine::fromArguments(4, argv).text(), "/AUTO  a  b");
    EXPECT_EQ(CommandLine::fromArguments(1, argv).text(), "");
}

} // namespace
} // namespace dustrel
