#pragma once

#include <string>
#include <string_view>

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

// The whole argument part of the command line as one text: the arguments joined by single blanks,
// exactly as given.
std::string ArgumentText(int argc, const char* const* argv);

// The program's entry: reads the argument text and starts exactly one run mode.
RunOutcome Main(ProgramState& state, Platform& platform, std::string_view argumentText, RunModes& modes);

} // namespace dustrel
