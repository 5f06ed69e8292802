#include "app/Main.h"

#include "base/Text.h"
#include "discovery/HardDrives.h"
#include "platform/Platform.h"
#include "settings/Parameters.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

namespace dustrel {

std::string ArgumentText(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

RunOutcome Main(ProgramState& state, Platform& platform, std::string_view argumentText, RunModes& modes)
{
    state.Trace(0, "Sub Main()");
    state.NEWLINE = "\n\r";
    state.TAB_CHAR = "\t";
    state.Trace(1, "Command Parameter : " + std::string(argumentText));

    const std::string command = toUpperAscii(argumentText);
    RunOutcome outcome;
    if (command == "/AUTO") {
        outcome = modes.SplashScreen(true);
        if (outcome.next == RunOutcome::Next::RunEventLoop)
            return modes.AutoMode();
    } else if (command == "/LIST") {
        outcome = modes.SplashScreen(true);
        if (outcome.next == RunOutcome::Next::RunEventLoop)
            return modes.ListMode();
    } else if (command == "/DEBUG") {
        outcome = modes.DebugMode();
    } else if (command == "/NOSPLASH") {
        outcome = modes.SplashScreen(false);
    } else if (command == "/REGINIT") {
        // The defaults tick every drive, so the drives are found first.
        GetHardDrives(state, platform.drives, platform.locale);
        return RunOutcome::end(InitRegistry(state, platform));
    } else if (command.empty()) {
        outcome = modes.SplashScreen(true);
    } else {
        const std::string& nl = state.NEWLINE;
        const std::string& tab = state.TAB_CHAR;
        platform.messageBoxes.show(programMessage(
            "Unknown parameter." + nl + "Allowed parameters are : " + nl + tab + "/AUTO : Automatic mode" +
                nl + tab + "/DEBUG : Debug mode" + nl + tab + "/NOSPLASH : Disable splash screen" + nl + tab +
                "/REGINIT : Initialise registry",
            MessageIcon::Exclamation));
        return RunOutcome::end(kExitUnknownParameter);
    }
    if (outcome.next == RunOutcome::Next::EndProgram)
        return outcome;

    state.Trace(0, "End Sub Main()");
    return outcome;
}

} // namespace dustrel
