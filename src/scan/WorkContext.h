#pragma once

namespace dustrel {

class ResultsList;
class WindowHost;
struct Platform;
struct ProgramState;

// What the search, the commands on result rows and the deletion work on: the program's state, the
// system, the window they report to and the results list it shows.
struct WorkContext
{
    ProgramState& state;
    Platform& platform;
    WindowHost& host;
    ResultsList& results;
};

} // namespace dustrel
