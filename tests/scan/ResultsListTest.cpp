#include "scan/ResultsList.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using Strings = std::vector<std::string>;

FileInfo fileOf(std::int64_t size)
{
    using namespace std::chrono;
    return FileInfo{EntryType::File, size, FileTime{seconds{1'000'000'000} + nanoseconds{123}}, 7, 42};
}

// Every notification as a line with the size the list had then: "about to" must still see the old rows.
class Recorder : public ResultsObserver
{
public:
    explicit Recorder(const ResultsList& list) : m_list(list) {}
    void rowsAboutToBeAppended(std::size_t first, std::size_t n) override { note("+?", first, n); }
    void rowsAppended(std::size_t first, std::size_t n) override { note("+", first, n); }
    void rowsAboutToBeRemoved(std::size_t first, std::size_t n) override { note("-?", first, n); }
    void rowsRemoved(std::size_t first, std::size_t n) override { note("-", first, n); }
    void aboutToReset() override { note("reset?", 0, 0); }
    void resetDone() override { note("reset", 0, 0); }
    Strings calls;

private:
    void note(const char* what, std::size_t first, std::size_t n)
    {
        calls.push_back(std::string(what) + " " + std::to_string(first) + "+" + std::to_string(n) + " of " +
                        std::to_string(m_list.size()));
    }
    const ResultsList& m_list;
};

TEST(ResultsList, RowsShowTheirFolderAsTheWalkNamesItAndKeepTheFileAsSeen)
{
    ResultsList list('/');
    const auto root = list.addStartFolder("/");
    const auto home = list.addStartFolder("/home/");
    const auto deep = list.addSubfolder(list.addSubfolder(home, "docs"), "a b");
    list.append(root, "X.TMP", fileOf(5'368'709'120));
    list.append(home, "Y.BAK", fileOf(2));
    list.append(deep, "n\nl\xff.tmp", fileOf(3));
    list.append(list.addStartFolder("/var/tmp"), "z", fileOf(4));
    list.publish();

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"/", "/X.TMP"}, // a root keeps its separator, the full path has one
        {"/home/", "/home/Y.BAK"},
        {"/home/docs/a b", "/home/docs/a b/n\nl\xff.tmp"},
        {"/var/tmp", "/var/tmp/z"},
    };
    ASSERT_EQ(list.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.folder(i), expected[i].first) << "row " << i;
        EXPECT_EQ(list.fullPath(i), expected[i].second) << "row " << i;
    }

    const FileInfo kept = list.fileInfo(0);
    EXPECT_EQ(kept.size, 5'368'709'120);
    EXPECT_EQ(kept.modified, fileOf(0).modified); // to the nanosecond, as the deletion compares it
    EXPECT_EQ(std::make_pair(kept.device, kept.inode), std::make_pair(std::uint64_t{7}, std::uint64_t{42}));
    test::FakeLocale locale;
    EXPECT_EQ(list.sizeText(0, locale.numberFormat()), "5,368,709,120");
    EXPECT_EQ(list.modifiedText(0, locale), "2001-09-09 01:46:40");
}

TEST(ResultsList, TellsAViewOfBatchesAndRemovalsBeforeAndAfter)
{
    struct Case
    {
        const char* name;
        std::vector<bool> remove;
        Strings left;
        Strings calls;
    };
    const std::vector<Case> cases = {
        {"nothing", {false, false}, {"a", "bb", "ccc", "dddd", "e"}, {}},
        {"one range", {false, true, true}, {"a", "dddd", "e"}, {"-? 1+2 of 5", "- 1+2 of 3"}},
        {"scattered",
         {true, false, true, false, true},
         {"bb", "dddd"},
         {"reset? 0+0 of 5", "reset 0+0 of 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResultsList list('/');
        Recorder recorder(list);
        list.setObserver(&recorder);
        const auto folder = list.addStartFolder("/f");
        list.setRuleNames({"one", "two", "three", "four"});
        for (const std::string name : {"a", "bb", "ccc", "dddd"})
            list.append(folder, name, fileOf(1), static_cast<ResultsList::RuleId>(name.size()));
        EXPECT_EQ(list.size(), 0u); // pending until published
        list.publish();
        // Reasons and rules follow their rows through the removal.
        for (std::size_t i = 0; i < list.size(); ++i)
            list.setStayReason(i, std::string(list.fileName(i)) + "?");
        list.append(folder, "e", fileOf(1));
        list.removeRows(c.remove); // publishes "e" first

        Strings left;
        for (std::size_t i = 0; i < list.size(); ++i) {
            left.emplace_back(list.fileName(i));
            EXPECT_EQ(list.fullPath(i), "/f/" + left.back());
            const bool e = left.back() == "e";
            EXPECT_EQ(list.stayReason(i), e ? "" : left.back() + "?");
            const Strings rules = {"", "one", "two", "three", "four"};
            EXPECT_EQ(list.rule(i), rules[e ? 0 : left.back().size()]);
        }
        EXPECT_EQ(left, c.left);
        Strings calls{"+? 0+4 of 0", "+ 0+4 of 4", "+? 4+1 of 4", "+ 4+1 of 5"};
        calls.insert(calls.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(recorder.calls, calls);
    }

    ResultsList list('/');
    list.append(list.addStartFolder("/f"), "a", fileOf(1));
    list.append(0, "b", fileOf(2));
    list.publish();
    list.setStayReason(0, "a?");
    list.setStayReason(1, "b?");
    list.removeAt(0);
    list.removeAt(5); // past the end: nothing
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.fileSize(0), 2);
    EXPECT_EQ(list.stayReason(0), "b?");
    const auto generation = list.generation();
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_NE(list.generation(), generation); // folder numbers taken before are known stale
}

// Names of every byte but NUL over many arena blocks (the longest kept, one longer cut), thousands of rows
// in one folder, devices far apart: each row reads back as appended, also after removals, with its size.
TEST(ResultsList, RowsReadBackExactlyThroughTheirStoresAndRemovals)
{
    struct Expected
    {
        std::string name;
        ResultsList::FolderId folder;
        std::uint64_t device, inode;
    };
    ResultsList list('/');
    const ResultsList::FolderId folders[] = {list.addStartFolder("/big"), list.addStartFolder("/other")};
    const std::uint64_t devices[] = {0, ~std::uint64_t{0} - 1, 2049, std::uint64_t{259} << 32 | 7};
    std::vector<Expected> rows;
    for (std::uint64_t i = 0; i < 4000; ++i) {
        std::string name(i % 997 == 5 ? ResultsList::kMaxName + (i % 2) : 1 + i % 300, 'x');
        for (std::size_t j = 0; j < name.size(); j += 7)
            name[j] = static_cast<char>(1 + (i + j) % 255);
        rows.push_back(
            {name.substr(0, ResultsList::kMaxName), folders[i % 5 == 4 ? 1 : 0], devices[i % 4], i});
        FileInfo info = fileOf(static_cast<std::int64_t>(i));
        std::tie(info.device, info.inode) = std::tie(rows.back().device, rows.back().inode);
        list.append(rows.back().folder, name, info);
    }
    list.publish();
    const auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        ASSERT_EQ(list.size(), rows.size());
        std::int64_t total = 0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_EQ(list.fileName(i), rows[i].name) << "row " << i;
            ASSERT_EQ(list.folderOf(i), rows[i].folder) << "row " << i;
            const FileInfo info = list.fileInfo(i);
            ASSERT_EQ(std::make_pair(info.device, info.inode), std::make_pair(rows[i].device, rows[i].inode));
            total += info.size;
        }
        EXPECT_EQ(list.WASTED_SIZE(), total);
    };
    check("appended");
    for (const std::size_t row : {2000u, 0u, 3990u}) {
        list.removeAt(row);
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
    }
    check("removed one by one");
    std::vector<bool> remove(rows.size());
    std::vector<Expected> kept;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        remove[i] = i % 3 == 1 || (i > 1000 && i < 1100);
        if (!remove[i])
            kept.push_back(rows[i]);
    }
    list.removeRows(remove);
    rows = kept;
    check("removed scattered");
}

// A row holds a device by number; past the last number a device reads back as no file's, never as
// another device's, and numbers start again after clear().
TEST(ResultsList, ADeviceBeyondTheNumbersIsNoFilesDevice)
{
    ResultsList list('/');
    const auto folder = list.addStartFolder("/");
    constexpr std::uint64_t kDevices = 0x10000 + 2;
    FileInfo info = fileOf(1);
    for (info.device = 1000; info.device < 1000 + kDevices; ++info.device)
        list.append(folder, "f", info);
    list.publish();
    for (const std::uint64_t row :
         {std::uint64_t{0}, std::uint64_t{0xFFFE}, std::uint64_t{0xFFFF}, kDevices - 1})
        EXPECT_EQ(list.fileInfo(row).device, row < 0xFFFF ? 1000 + row : DeviceNumbers::kUnknownDevice)
            << row;
    list.clear();
    list.append(list.addStartFolder("/"), "f", info);
    list.publish();
    EXPECT_EQ(list.fileInfo(0).device, 1000 + kDevices);
}

} // namespace
} // namespace dustrel
