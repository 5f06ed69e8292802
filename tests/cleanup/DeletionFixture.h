#pragma once

#include "support/FileSystemTestSupport.h"
#include "support/ScanFixture.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace dustrel::test {

using Strings = std::vector<std::string>;

inline constexpr std::size_t kBak = 0, kTmp = 2;

// The log's lines; every one must end with CR LF.
inline Strings logLines(const std::string& path)
{
    return crlfLines(readWholeFile(path));
}

// What a run without a user wrote to its report stream.
// What an automatic deletion reports, kept in memory so that no file-size limit of a test applies to it.
class ProblemStream
{
public:
    ProblemStream() : m_file(open_memstream(&m_data, &m_size)) {}
    ~ProblemStream()
    {
        std::fclose(m_file);
        std::free(m_data);
    }
    ProblemStream(const ProblemStream&) = delete;
    ProblemStream& operator=(const ProblemStream&) = delete;
    std::FILE* get() const { return m_file; }
    std::string text() const
    {
        std::fflush(m_file);
        return std::string(m_data, m_size);
    }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::FILE* m_file;
};

class Deletion : public ScanFixture, public ::testing::Test
{
protected:
    void SetUp() override
    {
        addDrive('C', "c");
        tickRule(kTmp);
        state.DTR_PATH = temp.makeFolder("inst");
        logPath = temp / "inst/DUSTREL.LOG";
    }

    // Each listed file "c/..." made, and a second name of it at "decoy/...": a decoy that looks exactly like
    // the listed files, inodes included.
    void plantListedWithDecoyTwins(const Strings& listed)
    {
        for (const std::string& path : listed) {
            file(path, path);
            const std::string twin = "decoy" + path.substr(1);
            temp.makeFolder(twin.substr(0, twin.rfind('/')));
            ASSERT_EQ(link((temp / path).c_str(), (temp / twin).c_str()), 0) << twin;
        }
    }

    std::string logPath;
};

} // namespace dustrel::test
