#include "platform/posix/session/TmpfilesRules.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace dustrel::test {
namespace {

using posix::Specifiers;
using posix::TmpfilesRules;

const Specifiers kSpecifiers = {{'b', {"0123abcd"}},
                                {'u', {"root", "ann"}},
                                {'U', {"0", "1000"}},
                                {'h', {"/root", "/home/ann"}},
                                {'t', {"/run", "/run/user/1000"}},
                                {'T', {"/tmp"}},
                                {'V', {"/var/tmp"}}};

TEST(TmpfilesRules, KeepWhatIgnoreAndBootOnlyLinesCoverAndNothingElse)
{
    const struct
    {
        const char* line;
        const char* path;
        bool kept;
    } cases[] = {
        {"x /tmp/systemd-private-*", "/tmp/systemd-private-abc/tmp/f", true},
        {"x /tmp/systemd-private-*", "/tmp/systemd-privateer", false},
        {"X /tmp/keep", "/tmp/keep", true},
        {"X /tmp/keep", "/tmp/keep/inside", false},
        {"r! /tmp/.X[0-9]*-lock", "/tmp/.X0-lock", true},
        {"r! /tmp/.X[0-9]*-lock", "/tmp/.Xa-lock", false},
        {"r! /tmp/.X[0-9]*-lock", "/tmp/.X1/2-lock", false}, // "*" never spans a "/"
        {"R! /tmp/p?", "/tmp/p1/deep/file", true},
        {"D! /tmp/.X11-unix 1777 root root 10d", "/tmp/.X11-unix/X0", true},
        {"f+! /run/utmp 0664 root utmp -", "/run/utmp", true},
        {"r /tmp/gone", "/tmp/gone", false}, // may go at any time: says nothing
        {"d /tmp/made 1777 root root 10d", "/tmp/made/f", false},
        {"q /tmp 1777 root root 10d", "/tmp/x", false},
        {"d! /tmp/a*b", "/tmp/axb", false}, // a type without globs names its path literally
        {"d! /tmp/a*b", "/tmp/a*b/f", true},
        {"x /tmp//dir/", "/tmp/dir/f", true},
        {"x   /tmp/sp\\x20ace", "/tmp/sp ace", true},
        {"x \"/tmp/two words\" - - -", "/tmp/two words/f", true},
        {"  # x /tmp/comment", "/tmp/comment", false},
        {"x relative/path", "relative/path", false},
        {"x /tmp/bad\\q", "/tmp/badq", false},
        {"x /", "/anything/at/all", true},
        {"x /tmp/systemd-private-%b-*", "/tmp/systemd-private-0123abcd-x.service-Q/f", true},
        {"x /tmp/systemd-private-%b-*", "/tmp/systemd-private-ffff-x.service-Q/f", false},
        {"x %t/session", "/run/session", true},
        {"x %t/session", "/run/user/1000/session", true},
        {"x %h/.cache/%u-%U", "/home/ann/.cache/ann-1000", true},
        {"x %h/.cache/%u-%U", "/home/ann/.cache/root-0", true},
        {"x %T/100%%", "/tmp/100%", true},
        {"x %V/k", "/var/tmp/k", true},
        {"x /tmp/%z", "/tmp/%z", false}, // unknown specifier: the line covers nothing
        {"x /tmp/end%", "/tmp/end%", false},
    };
    for (const auto& c : cases) {
        TmpfilesRules rules;
        rules.addLines(c.line, kSpecifiers);
        EXPECT_EQ(rules.keeps(c.path), c.kept) << c.line << " | " << c.path;
    }
}

TEST(TmpfilesRules, AFileHidesThoseOfTheSameNameInLaterFolders)
{
    TempFolder temp;
    for (const char* folder : {"etc", "run", "lib"})
        temp.makeFolder(folder);
    temp.writeFile("etc/local.conf", "x /tmp/from-etc\n");
    temp.writeFile("lib/local.conf", "x /tmp/hidden-lib\n");
    temp.writeFile("run/runtime.conf", "x /tmp/from-run\n");
    temp.writeFile("lib/runtime.conf", "x /tmp/hidden-lib-2\n");
    temp.writeFile("lib/vendor.conf", "r! /tmp/from-lib\r\nx /tmp/second-line");
    temp.writeFile("lib/notes.txt", "x /tmp/not-a-conf\n");
    ASSERT_EQ(symlink("/dev/null", (temp / "etc/masked.conf").c_str()), 0);
    temp.writeFile("lib/masked.conf", "x /tmp/masked\n");

    const TmpfilesRules rules =
        posix::readTmpfilesRules({temp / "etc", temp / "run", temp / "missing", temp / "lib"}, kSpecifiers);
    const struct
    {
        const char* path;
        bool kept;
    } cases[] = {{"/tmp/from-etc", true},      {"/tmp/hidden-lib", false}, {"/tmp/from-run", true},
                 {"/tmp/hidden-lib-2", false}, {"/tmp/from-lib", true},    {"/tmp/second-line", true},
                 {"/tmp/not-a-conf", false},   {"/tmp/masked", false}};
    for (const auto& c : cases)
        EXPECT_EQ(rules.keeps(c.path), c.kept) << c.path;
}

// Asked folder after folder, as the walk asks: no answer depends on the path asked before.
TEST(TmpfilesRules, NoAnswerDependsOnThePathAskedBefore)
{
    TmpfilesRules rules;
    rules.addLines("x /tmp/a/keep*\nx /var/b\n", kSpecifiers);
    const std::pair<const char*, bool> cases[] = {
        {"/tmp/a/keep1", true}, {"/var/b", true},  {"/tmp/a/other", false}, {"/tmp/a/keep2", true},
        {"/var/bb", false},     {"/tmp/a", false}, {"/var/b/in", true},     {"/var/c", false}};
    for (const auto& [path, kept] : cases)
        EXPECT_EQ(rules.keeps(path), kept) << path;
    rules.addLines("x /var/c\n", kSpecifiers);
    EXPECT_TRUE(rules.keeps("/var/c"));
}

} // namespace
} // namespace dustrel::test
