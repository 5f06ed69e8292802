#include "scan/ResultsList.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace dustrel {
namespace {

FileInfo fileOf(std::int64_t size, std::uint64_t inode = 1)
{
    using namespace std::chrono;
    return FileInfo{EntryType::File, size, FileTime{seconds{1'000'000'000} + nanoseconds{123}}, 7, inode};
}

// Every notification as a line, so a test reads what a view was told and in which order.
class RecordingObserver : public ResultsObserver
{
public:
    explicit RecordingObserver(const ResultsList& list) : m_list(list) {}
    void rowsAboutToBeAppended(std::size_t first, std::size_t count) override
    {
        note("about to append", first, count);
    }
    void rowsAppended(std::size_t first, std::size_t count) override { note("appended", first, count); }
    void rowsAboutToBeRemoved(std::size_t first, std::size_t count) override
    {
        note("about to remove", first, count);
    }
    void rowsRemoved(std::size_t first, std::size_t count) override { note("removed", first, count); }
    void aboutToReset() override { calls.push_back("about to reset, size " + std::to_string(m_list.size())); }
    void resetDone() override { calls.push_back("reset, size " + std::to_string(m_list.size())); }

    std::vector<std::string> calls;

private:
    void note(const char* what, std::size_t first, std::size_t count)
    {
        calls.push_back(std::string(what) + " " + std::to_string(first) + "+" + std::to_string(count) +
                        ", size " + std::to_string(m_list.size()));
    }
    const ResultsList& m_list;
};

std::vector<std::string> names(const ResultsList& list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.emplace_back(list.fileName(i));
    return out;
}

TEST(ResultsList, RowsShowTheirFolderAsTheWalkNamesItAndTheFullPathWithOneSeparator)
{
    ResultsList list('/');
    const auto root = list.addStartFolder("/");
    const auto home = list.addStartFolder("/home/");
    const auto docs = list.addSubfolder(home, "docs");
    const auto deep = list.addSubfolder(docs, "a b");
    const auto special = list.addStartFolder("/var/tmp");
    list.append(root, "X.TMP", fileOf(1));
    list.append(home, "Y.BAK", fileOf(2));
    list.append(deep, std::string("n\nl\xff.tmp"), fileOf(3));
    list.append(special, "z", fileOf(4));
    list.publish();

    struct Expected
    {
        const char* folder;
        std::string fullPath;
    };
    const std::vector<Expected> expected = {
        {"/", "/X.TMP"},
        {"/home/", "/home/Y.BAK"},
        {"/home/docs/a b", std::string("/home/docs/a b/n\nl\xff.tmp")},
        {"/var/tmp", "/var/tmp/z"},
    };
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.folder(i), expected[i].folder) << "row " << i;
        EXPECT_EQ(list.fullPath(i), expected[i].fullPath) << "row " << i;
    }

    ResultsList windows('\\');
    const auto drive = windows.addStartFolder("C:\\");
    windows.append(windows.addSubfolder(drive, "WINDOWS"), "X.TMP", fileOf(1));
    windows.append(drive, "X.TMP", fileOf(1));
    windows.publish();
    EXPECT_EQ(windows.fullPath(0), "C:\\WINDOWS\\X.TMP");
    EXPECT_EQ(windows.folder(1), "C:\\");
    EXPECT_EQ(windows.fullPath(1), "C:\\X.TMP");
}

TEST(ResultsList, KeepsTheFileAsSeenAndFormatsSizeAndTimeOnDemand)
{
    ResultsList list('/');
    const FileInfo big = fileOf(5'368'709'120, 42);
    list.append(list.addStartFolder("/"), "BIG.TMP", big);
    list.publish();

    const FileInfo kept = list.fileInfo(0);
    EXPECT_EQ(kept.type, EntryType::File);
    EXPECT_EQ(kept.size, big.size);
    EXPECT_EQ(kept.modified, big.modified); // to the nanosecond, as the deletion compares it
    EXPECT_EQ(kept.device, big.device);
    EXPECT_EQ(kept.inode, big.inode);

    test::FakeLocale locale;
    EXPECT_EQ(list.sizeText(0, locale.numberFormat()), "5,368,709,120");
    EXPECT_EQ(list.modifiedText(0, locale), "2001-09-09 01:46:40");
}

TEST(ResultsList, AppendedRowsAppearInOneBatchAtPublish)
{
    ResultsList list('/');
    RecordingObserver observer(list);
    list.setObserver(&observer);
    const auto folder = list.addStartFolder("/");
    list.append(folder, "a", fileOf(1));
    list.append(folder, "b", fileOf(1));
    list.append(folder, "c", fileOf(1));
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(list.pendingRows(), 3u);
    EXPECT_TRUE(observer.calls.empty());

    list.publish();
    list.publish(); // nothing new: nothing said
    list.append(folder, "d", fileOf(1));
    list.publish();
    EXPECT_EQ(observer.calls,
              (std::vector<std::string>{"about to append 0+3, size 0", "appended 0+3, size 3",
                                        "about to append 3+1, size 3", "appended 3+1, size 4"}));
}

TEST(ResultsList, RemovalsKeepTheOrderAndTellTheViewBeforeAndAfter)
{
    struct Case
    {
        const char* name;
        std::vector<bool> remove;
        std::vector<std::string> left;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"nothing", {false, false, false, false, false}, {"a", "bb", "ccc", "dddd", "e"}, {}},
        {"one range",
         {false, true, true, false},
         {"a", "dddd", "e"},
         {"about to remove 1+2, size 5", "removed 1+2, size 3"}},
        {"scattered rows",
         {true, false, true, false, true},
         {"bb", "dddd"},
         {"about to reset, size 5", "reset, size 2"}},
        {"all", {true, true, true, true, true}, {}, {"about to remove 0+5, size 5", "removed 0+5, size 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultsList list('/');
        const auto folder = list.addStartFolder("/f");
        for (const char* name : {"a", "bb", "ccc", "dddd", "e"})
            list.append(folder, name, fileOf(static_cast<std::int64_t>(std::string(name).size())));
        list.publish();
        RecordingObserver observer(list);
        list.setObserver(&observer);
        list.removeRows(c.remove);
        EXPECT_EQ(names(list), c.left);
        EXPECT_EQ(observer.calls, c.calls);
        for (std::size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(list.fileSize(i), static_cast<std::int64_t>(list.fileName(i).size()));
            EXPECT_EQ(list.fullPath(i), "/f/" + std::string(list.fileName(i)));
        }
    }
}

TEST(ResultsList, RemovingOneRowAndEmptyingPublishFirstAndForgetFolders)
{
    ResultsList list('/');
    RecordingObserver observer(list);
    list.setObserver(&observer);
    const auto folder = list.addStartFolder("/f");
    list.append(folder, "a", fileOf(1));
    list.append(folder, "b", fileOf(2));
    list.removeAt(0); // the pending rows become rows first, so the number is the one a view shows
    list.removeAt(5); // past the end: nothing
    EXPECT_EQ(names(list), std::vector<std::string>{"b"});
    EXPECT_EQ(list.fileSize(0), 2);

    const auto generation = list.generation();
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_NE(list.generation(), generation);
    EXPECT_EQ(observer.calls, (std::vector<std::string>{"about to append 0+2, size 0", "appended 0+2, size 2",
                                                        "about to remove 0+1, size 2", "removed 0+1, size 1",
                                                        "about to reset, size 1", "reset, size 0"}));
}

} // namespace
} // namespace dustrel
