#pragma once

#include "app/CommandLine.h"

namespace dustrel {

struct Platform;
struct ProgramState;

// What happens after Main has started a run mode.
struct RunOutcome
{
    enum class Next
    {
        RunEventLoop, // the windows now drive the program
        EndProgram,   // end at once with exitCode, running no further handler
    };
    Next next = Next::EndProgram;
    int exitCode = 0;

    static RunOutcome eventLoop() { return {Next::RunEventLoop, 0}; }
    static RunOutcome end(int code) { return {Next::EndProgram, code}; }
};

// The run modes that need windows; the window side provides them.
class RunModes
{
public:
    virtual ~RunModes() = default;
    virtual RunOutcome SplashScreen(bool topmost) = 0;
    virtual RunOutcome DebugMode() = 0;
    // Runs after SplashScreen; searches, deletes and ends the program.
    virtual RunOutcome AutoMode() = 0;
    // Runs after SplashScreen; searches as AutoMode does, lists what it would delete and ends the program.
    virtual RunOutcome ListMode() = 0;
};

// Exit status after the refusal of the command line.
constexpr int kExitUnknownParameter = 2;

// The program's entry: starts exactly the one run mode the command line asks for.
RunOutcome Main(ProgramState& state, Platform& platform, const CommandLine& commandLine, RunModes& modes);

} // namespace dustrel
