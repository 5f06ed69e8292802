#include "cleanup/DeletionRoute.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace dustrel {
namespace {

using Strings = std::vector<std::string>;
using FolderId = ResultsList::FolderId;

// Writes down what it is asked to do; names in `refused` cannot be entered, and the next leave() fails
// as a cursor that lost its place does.
class RecordingCursor : public DeletionCursor
{
public:
    Result<void> open(const std::string& path) override
    {
        steps.push_back("open " + path);
        m_depth = 0;
        m_open = true;
        return {};
    }
    Result<void> enter(std::string_view name) override
    {
        steps.push_back("enter " + std::string(name));
        if (refused.count(std::string(name)) != 0)
            return Error{ELOOP, "a link", std::string(name)};
        ++m_depth;
        return {};
    }
    Result<void> leave() override
    {
        steps.push_back("leave");
        if (m_depth == 0)
            return Error{EINVAL, "leave at the start folder", ""};
        --m_depth;
        if (loseNextLeave) {
            loseNextLeave = false;
            m_open = false;
            return Error{ESTALE, "lost", ""};
        }
        return {};
    }
    std::size_t depth() const override { return m_depth; }
    Result<void> setNormalAttributes(std::string_view) override { return {}; }
    Result<Removal> deleteFile(std::string_view, const FileInfo&, const OpenFiles&) override
    {
        return Removal::Done;
    }
    Result<Removal> moveToTrash(std::string_view, const FileInfo&, const OpenFiles&, FileTime) override
    {
        return Removal::Done;
    }

    Strings steps;
    std::set<std::string> refused;
    bool loseNextLeave = false;

private:
    std::size_t m_depth = 0;
    bool m_open = false;
};

// Folders of a results list by the paths the test names them with: "C/a/b" is b in a in the start
// folder "C".
class Folders
{
public:
    FolderId operator[](const std::string& path)
    {
        for (std::size_t i = 0; i < m_paths.size(); ++i)
            if (m_paths[i] == path)
                return m_ids[i];
        const std::size_t slash = path.rfind('/');
        const FolderId id = slash == std::string::npos
                                ? list.addStartFolder(path)
                                : list.addSubfolder((*this)[path.substr(0, slash)], path.substr(slash + 1));
        m_paths.push_back(path);
        m_ids.push_back(id);
        return id;
    }
    ResultsList list{'/'};

private:
    Strings m_paths;
    std::vector<FolderId> m_ids;
};

TEST(DeletionRoute, GoesFromFolderToFolderThroughTheFolderTheyShare)
{
    const struct
    {
        const char* what;
        Strings targets;
        Strings steps;
    } cases[] = {
        {"rows of one folder open it once", {"C/a/b", "C/a/b", "C/a/b"}, {"open C", "enter a", "enter b"}},
        {"siblings and cousins",
         {"C", "C/a", "C/a/x", "C/a/y", "C/b/z"},
         {"open C", "enter a", "enter x", "leave", "enter y", "leave", "leave", "enter b", "enter z"}},
        {"back up to an ancestor",
         {"C/a/b/c", "C/a"},
         {"open C", "enter a", "enter b", "enter c", "leave", "leave"}},
        {"another start folder is opened, not climbed to",
         {"C/a", "D/x", "C/a"},
         {"open C", "enter a", "open D", "enter x", "open C", "enter a"}},
    };
    for (const auto& c : cases) {
        Folders folders;
        std::vector<FolderId> ids;
        for (const std::string& target : c.targets)
            ids.push_back(folders[target]);
        RecordingCursor cursor;
        DeletionRoute route(folders.list, cursor);
        for (const FolderId id : ids)
            EXPECT_TRUE(route.moveTo(id)) << c.what;
        EXPECT_EQ(cursor.steps, c.steps) << c.what;
    }
}

TEST(DeletionRoute, AFolderThatCannotBeEnteredFailsItsRowsOnlyAndIsTriedAgain)
{
    Folders folders;
    const FolderId bad = folders["C/a/bad/deeper"];
    const FolderId good = folders["C/a/good"];
    RecordingCursor cursor;
    cursor.refused = {"bad"};
    DeletionRoute route(folders.list, cursor);

    EXPECT_FALSE(route.moveTo(bad));
    EXPECT_FALSE(route.moveTo(bad));
    EXPECT_TRUE(route.moveTo(good));
    EXPECT_EQ(cursor.steps, (Strings{"open C", "enter a", "enter bad", "enter bad", "enter good"}));
}

TEST(DeletionRoute, ACursorThatLostItsPlaceStartsAgainFromTheRoot)
{
    Folders folders;
    const FolderId deep = folders["C/a/b"];
    const FolderId other = folders["C/a/x"];
    RecordingCursor cursor;
    DeletionRoute route(folders.list, cursor);
    ASSERT_TRUE(route.moveTo(deep));
    cursor.loseNextLeave = true;
    EXPECT_TRUE(route.moveTo(other));
    EXPECT_EQ(cursor.steps,
              (Strings{"open C", "enter a", "enter b", "leave", "open C", "enter a", "enter x"}));
}

// A chain ten thousand folders deep with a row at every level, then a second tree and back: every folder
// is entered once per visit, never once per row below it.
TEST(DeletionRoute, CostsOneStepPerFolderHoweverDeepTheRows)
{
    constexpr std::size_t kDepth = 10'000;
    ResultsList list('/');
    std::vector<FolderId> chain{list.addStartFolder("/c/")};
    for (std::size_t level = 1; level <= kDepth; ++level)
        chain.push_back(list.addSubfolder(chain.back(), "d"));
    const FolderId other = list.addStartFolder("/e");
    RecordingCursor cursor;
    DeletionRoute route(list, cursor);
    for (const FolderId id : chain)
        ASSERT_TRUE(route.moveTo(id));
    ASSERT_TRUE(route.moveTo(other));
    ASSERT_TRUE(route.moveTo(chain.back()));
    EXPECT_EQ(cursor.steps.size(), 2 * (kDepth + 1) + 1);
    EXPECT_EQ(cursor.depth(), kDepth);
}

} // namespace
} // namespace dustrel
