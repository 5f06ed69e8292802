#include "platform/posix/processes/ChildProcess.h"

#include "platform/posix/owners/RecordLines.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace dustrel::posix {
namespace {

using namespace std::chrono_literals;

// Whether the process `pid` ends within a second (a zombie nobody reaped counts as ended).
bool ends(pid_t pid)
{
    for (int tries = 0; tries < 100; ++tries, usleep(10'000)) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos || line.size() <= close + 2 || line[close + 2] == 'Z')
            return true;
    }
    return false;
}

// One deadline for reading and waiting: a child that closes its output and stays, or leaves a
// descendant holding the pipe, is given up at the deadline with its whole group.
TEST(ChildProcess, GivesUpAtOneDeadlineForReadingAndWaitingAndKillsTheGroup)
{
    const struct
    {
        const char* script;
        std::size_t outputLimit;
        std::string output; // what reached the sink; "pid" for a process number
        int code;           // of the failure; -1 none, 0 a failure that is no system error
    } cases[] = {
        {"printf 'a\\nb'", 100, "a\nb", -1},
        {"echo x; exit 3", 100, "x\n", 0},
        {"echo x; exec >&-; exec sleep 30", 100, "x\n", ETIMEDOUT},
        {"sleep 30 & echo $!", 100, "pid", ETIMEDOUT}, // the descendant holds the pipe
        {"head -c 1000000 /dev/zero", 4096, "", EFBIG},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        Result<ChildProcess> child = ChildProcess::spawn({"/bin/sh", "-c", c.script});
        ASSERT_TRUE(child.ok());
        std::string output;
        const auto start = std::chrono::steady_clock::now();
        const Result<void> finished = child->finish({300ms, c.outputLimit}, [&](std::string_view piece) {
            output.append(piece);
            return Result<void>();
        });
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_EQ(finished.ok() ? -1 : finished.error().code, c.code);
        if (c.output == "pid") {
            EXPECT_TRUE(ends(std::stoi(output)));
        } else if (c.code != EFBIG) { // the pieces before the limit came
            EXPECT_EQ(output, c.output);
        }
    }
}

TEST(ChildProcess, AForkedChildAnswersThroughThePipeAndARefusedPieceEndsIt)
{
    Result<ChildProcess> child =
        ChildProcess::fork([](int out) { return ::write(out, "answer", 6) == 6 ? 0 : 1; });
    ASSERT_TRUE(child.ok());
    std::string output;
    EXPECT_TRUE(child
                    ->finish({2s, 6},
                             [&](std::string_view piece) {
                                 output.append(piece);
                                 return Result<void>();
                             })
                    .ok());
    EXPECT_EQ(output, "answer");

    Result<ChildProcess> endless = ChildProcess::spawn({"/usr/bin/yes"});
    ASSERT_TRUE(endless.ok());
    const Result<void> refused = endless->finish({10s, std::size_t{1} << 30}, [](std::string_view) {
        return Result<void>(Error{7, "no", ""});
    });
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, 7);
}

// Lines come whole however the text is cut; a line past the limit fails, also when it never ends.
TEST(RecordLines, CutsLinesAcrossPiecesWithinTheLimitAndNeverReadsAHugeFileWhole)
{
    const struct
    {
        std::vector<std::string_view> pieces;
        std::vector<std::string> lines;
        bool ok;
    } cases[] = {
        {{"ab", "c\nd", "", "e\n\nf"}, {"abc", "de", "", "f"}, true},
        {{"12345\n", "123", "45"}, {"12345", "12345"}, true},
        {{"123", "456\n"}, {}, false},
        {{"123456"}, {}, false},
    };
    for (const auto& c : cases) {
        LineStream stream(5);
        std::vector<std::string> lines;
        const LineSink sink = [&](std::string_view line) { lines.emplace_back(line); };
        bool ok = true;
        for (const std::string_view piece : c.pieces)
            ok = ok && stream.feed(piece, sink).ok();
        ok = ok && stream.finish(sink).ok();
        EXPECT_EQ(ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(lines, c.lines);
        }
    }

    test::TempFolder folder;
    const std::string huge = folder.writeFile("huge.list", "");
    ASSERT_EQ(truncate(huge.c_str(), off_t{64} << 30), 0);
    std::size_t budget = std::size_t{1} << 40;
    const Result<void> read =
        readFileLines(AT_FDCWD, huge.c_str(), RecordLimits{}, budget, [](std::string_view) {});
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().code, EOVERFLOW);
}

} // namespace
} // namespace dustrel::posix
