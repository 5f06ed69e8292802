#pragma once

#include "scan/ResultsList.h"
#include "scan/SearchRun.h"
#include "scan/WorkContext.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/HeadlessWindowHost.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace dustrel::test {

// A program state with drives whose roots lie in a temporary folder, a headless window and a results
// list, as the search and the deletion see them.
struct ScanFixture
{
    FakePlatform fake;
    ProgramState state;
    HeadlessWindowHost host;
    ResultsList results{'/'};
    WorkContext context{state, fake.platform, host, results};
    TempFolder temp;

    ScanFixture()
    {
        state.NEWLINE = "\n\r";
        InitFileTypes(state);
        state.IGN_TBL.reset(temp / "~DF1234.TMP");
        // The fake clock lies years before the files a test makes: their age is tested on its own.
        state.choices.setTempMinAgeHours(0);
    }

    // A drive whose root is the folder `relative`, with the trailing separator a drive root has.
    std::string addDrive(char letter, std::string_view relative, bool ticked = true)
    {
        const std::string root = temp.makeFolder(relative) + "/";
        fake.drives.drives[letter] = FakeDrive{DriveType::Fixed, std::nullopt, root};
        DriveEntry entry;
        entry.letter = letter;
        entry.box.caption = std::string("Drive ") + letter + ":";
        entry.box.state = ticked ? CheckState::Ticked : CheckState::Clear;
        state.choices.addDrive(entry);
        state.DRIVES_NB = static_cast<int>(state.choices.drives().size());
        return root;
    }

    void tickRule(std::size_t index) { state.choices.setFileState(index, CheckState::Ticked); }

    void setSpecialFolder(std::size_t index, std::string path, bool ticked = true)
    {
        state.DIRECTORIES[index] = std::move(path);
        state.choices.setDirState(index, ticked ? CheckState::Ticked : CheckState::Clear);
    }

    // A file of the temporary folder, its folders made as needed.
    std::string file(std::string_view relative, std::string_view content = "1")
    {
        if (const auto slash = relative.rfind('/'); slash != std::string_view::npos)
            temp.makeFolder(relative.substr(0, slash));
        return temp.writeFile(relative, content);
    }
    void files(std::initializer_list<std::string_view> relative, std::string_view content = "1")
    {
        for (const std::string_view path : relative)
            file(path, content);
    }

    // The search as the Search button runs it; `searched` keeps its refusal, if any.
    void search() { searched = Command1_Click(context); }
    Result<void> searched;

    // Every row's full path, relative to the temporary folder where it lies inside it.
    std::vector<std::string> rows() const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < results.size(); ++i) {
            std::string path = results.fullPath(i);
            if (path.rfind(temp.path() + "/", 0) == 0)
                path.erase(0, temp.path().size() + 1);
            out.push_back(path);
        }
        return out;
    }
};

// mkdtemp makes the temporary folder private to root; an unprivileged user needs to reach inside.
inline void openToEveryone(const std::string& path)
{
    ASSERT_EQ(chmod(path.c_str(), 0755), 0) << std::strerror(errno);
}

} // namespace dustrel::test
