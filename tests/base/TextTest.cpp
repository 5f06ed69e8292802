#include "base/Text.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace dustrel {
namespace {

// What a viewer acts on (breaks, reorders) is escaped, also right after a sequence cut short; other
// characters of valid UTF-8, their neighbours included, stay as they are.
TEST(Text, EscapingLeavesNothingThatBreaksOrReordersALine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a\nb\\", "a\\nb\\\\"},
        {"\xC2\x85\xC2\x80\xC2\x9F", "\\u0085\\u0080\\u009f"},
        {"\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAE", "\\u2028\\u2029\\u202a\\u202e"},
        {"\xE2\x81\xA6\xE2\x81\xA9\xD8\x9C\xE2\x80\x8F", "\\u2066\\u2069\\u061c\\u200f"},
        {"\xC2\xA0\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xAA\xF0\x9F\x98\x80",
         "\xC2\xA0\xE2\x80\xA7\xE2\x80\xAF\xE2\x81\xAA\xF0\x9F\x98\x80"},
        {"\x85\xC2\xC2\x85", "\\x85\\xc2\\u0085"},
        {"\xE2\x80\xE2\x80\xAE", "\\xe2\\x80\\u202e"},
        {"\xF0\x9F\x98\r\xF0\x9F\xE2\x80\xA8", "\\xf0\\x9f\\x98\\r\\xf0\\x9f\\u2028"},
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},
    };
    for (const auto& [bytes, shown] : cases) {
        std::string out = "> ";
        appendEscaped(out, bytes);
        EXPECT_EQ(out, "> " + shown);
    }
}

} // namespace
} // namespace dustrel
