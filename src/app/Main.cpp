#include "app/Main.h"

#include "discovery/HardDrives.h"
#include "platform/Platform.h"
#include "settings/Parameters.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

namespace dustrel {

RunOutcome Main(ProgramState& state, Platform& platform, const CommandLine& commandLine, RunModes& modes)
{
    state.Trace(0, "Sub Main()");
    state.NEWLINE = "\n\r";
    state.TAB_CHAR = "\t";
    state.Trace(1, "Command Parameter : " + commandLine.text());

    using Mode = CommandLine::Mode;
    const Mode mode = commandLine.mode();
    RunOutcome outcome;
    if (mode == Mode::Auto) {
        outcome = modes.SplashScreen(true);
        if (outcome.next == RunOutcome::Next::RunEventLoop)
            return modes.AutoMode();
    } else if (mode == Mode::List) {
        outcome = modes.SplashScreen(true);
        if (outcome.next == RunOutcome::Next::RunEventLoop)
            return modes.ListMode();
    } else if (mode == Mode::Debug) {
        outcome = modes.DebugMode();
    } else if (mode == Mode::NoSplash) {
        outcome = modes.SplashScreen(false);
    } else if (mode == Mode::RegInit) {
        // The defaults tick every drive, so the drives are found first.
        GetHardDrives(state, platform.drives, platform.locale);
        return RunOutcome::end(InitRegistry(state, platform));
    } else if (mode == Mode::Window) {
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
