#include "platform/posix/trash/TrashRules.h"
#include "support/ScanFixture.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace dustrel {
namespace {

constexpr std::size_t kBak = 0;
constexpr std::size_t kTmp = 2;
constexpr std::size_t kLogTxt = 18;

class KeptFolders : public test::ScanFixture, public ::testing::Test
{
protected:
    std::vector<std::string> sortedRows() const
    {
        auto out = rows();
        for (std::string& row : out) // the drive is the temporary folder itself, its root ends with "/"
            row.erase(0, row.find_first_not_of('/'));
        std::sort(out.begin(), out.end());
        return out;
    }
    void git(const std::string& arguments)
    {
        const std::string command =
            "git -c user.name=t -c user.email=t@example.org -c protocol.file.allow=always "
            "-c init.defaultBranch=main " +
            arguments + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    // A repository at `relative` with `files` committed.
    void committed(const std::string& relative, std::initializer_list<std::string_view> files)
    {
        git("init -q '" + temp.makeFolder(relative) + "'");
        for (const std::string_view name : files)
            file(relative + "/" + std::string(name));
        git("-C '" + (temp / relative) + "' add -A");
        git("-C '" + (temp / relative) + "' commit -q -m first");
    }
};

TEST_F(KeptFolders, TrashesOfEveryUserAtAVolumeTopAndTheHomeTrashAreNeverWalked)
{
    // "vol" is mounted; "data" is the data home, on the root file system; "bob" another user's home.
    const std::string mounts = "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                               "21 20 8:2 / " +
                               (temp / "vol") + " rw - ext4 /dev/sda2 rw\n";
    const struct
    {
        std::string_view file;
        bool listed;
    } cases[] = {
        {"data/Trash/files/a.tmp", false},
        {"data/Trash/info/a.tmp", false},
        {"vol/.Trash-1000/files/b.tmp", false},
        {"vol/.Trash-4242/files/c.tmp", false},
        {"vol/.Trash/0/files/d.tmp", false},
        {"vol/.Trash/77/e.tmp", false},
        {"vol/sub/.Trash-1000/files/f.tmp", true},
        {"vol/.Trash-x/g.tmp", true},
        {"data/sub/Trash/h.tmp", true},
        {"vol/keep.tmp", true},
        {"bob/.local/share/Trash/i.tmp", false},
        {"bob/.local/share/i.tmp", true},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        file(c.file);
        if (c.listed)
            expected.emplace_back(c.file);
    }
    const posix::TrashRules trashRules(posix::MountTable::parse(mounts), 1000, temp / "data");
    fake.folders.trashes = posix::allTrashFolders(trashRules, {temp / "bob"});
    addDrive('C', "");
    tickRule(kTmp);
    // A special folder inside a trash lists nothing either.
    setSpecialFolder(0, temp / "vol/.Trash-4242/files");

    search();

    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedRows(), expected);
}

TEST_F(KeptFolders, TrackedFilesAndRepositoryFoldersStayAndUntrackedRubbishIsListed)
{
    committed("lib", {"lib.bak"});
    committed("repo", {"CHANGELOG.txt", "schema.bak", "sub/old.bak"});
    git("-C '" + (temp / "repo") + "' submodule -q add '" + (temp / "lib") + "' lib");
    git("-C '" + (temp / "repo") + "' worktree add -q '" + (temp / "wt") + "'");
    git("init -q --separate-git-dir='" + (temp / "apart.git") + "' '" + temp.makeFolder("plain") + "'");
    committed("broken", {"kept.bak"});
    temp.writeFile("broken/.git/index", "not an index");
    const struct
    {
        std::string_view file;
        bool listed;
    } cases[] = {
        {"repo/x.bak", true},           {"repo/sub/y.bak", true},
        {"repo/lib/junk.bak", true},    {"wt/u.bak", true},
        {"plain/v.bak", true},          {"outside.bak", true},
        {"repo/.git/stray.bak", false}, {"repo/.hg/a.bak", false},
        {"repo/.svn/a.bak", false},     {"repo/.bzr/a.bak", false},
        {"broken/new.bak", false},      {"apart.git/z.bak", false},
    };
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        file(c.file);
        if (c.listed)
            expected.emplace_back(c.file);
    }
    addDrive('C', "");
    addDrive('D', "repo/sub"); // the same repository again, found above the drive's root
    tickRule(kBak);
    tickRule(kLogTxt);
    // A start folder inside a working tree: its repository is found above it.
    setSpecialFolder(0, temp / "repo/sub");

    search();

    // Tracked and kept: repo's CHANGELOG.txt, schema.bak and sub/old.bak, the same in the worktree, lib.bak
    // in the submodule and in its origin. A repository kept apart from its tree is a repository's own
    // folder whatever its name.
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedRows(), expected);
    // Once each: repo, its submodule, lib, wt, plain and broken, however many times they were met.
    EXPECT_EQ(fake.repositories.reads, 6);
    const std::string& trace = state.trace.text();
    EXPECT_NE(trace.find("--> Repository not read, its working tree is kept: "), std::string::npos);
    EXPECT_NE(trace.find("/broken"), std::string::npos) << trace;
}

} // namespace
} // namespace dustrel
