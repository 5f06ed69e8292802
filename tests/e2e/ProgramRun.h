#pragma once

#include <map>
#include <string>
#include <vector>

namespace dustrel::test {

struct ProgramResult
{
    int exitStatus = -1; // -1 when the program did not end by itself
    std::string standardOutput;
    std::string standardError;
};

// Runs the dustrel executable with the given arguments, a clean environment made of `environment`
// (PATH and HOME are added when missing) and `workingFolder` as its current folder; gives up after
// `timeoutSeconds`. The executable is the one of this build unless another is named.
ProgramResult runDustrel(const std::vector<std::string>& arguments,
                         std::map<std::string, std::string> environment, const std::string& workingFolder,
                         int timeoutSeconds = 60, const std::string& executable = DUSTREL_EXECUTABLE);

} // namespace dustrel::test
