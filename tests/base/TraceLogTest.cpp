#include "base/TraceLog.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

TEST(Trace, IndentsFiveBlanksPerLevelAndEndsWithCrLf)
{
    TraceLog trace;
    trace.Trace(1, "");
    trace.Trace(0, "x");
    trace.Trace(-3, "y");
    trace.Trace(2, "z");
    EXPECT_EQ(trace.text(), "     \r\n--> x\r\n--> y\r\n          --> z\r\n");
}

} // namespace
} // namespace dustrel
