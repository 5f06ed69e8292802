#pragma once

#include "platform/Platform.h"
#include "platform/posix/owners/GitRepositories.h"
#include "platform/posix/owners/PackageDatabases.h"
#include "support/ResultPrinters.h"

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dustrel::test {

// An in-memory settings store with the same rules as the real one: names without regard to letter case,
// keys must exist before a value is written.
class FakeRegistry : public Registry
{
public:
    bool keyExists(RegistryRoot root, std::string_view keyPath) override;
    std::optional<std::string> queryValue(RegistryRoot root, std::string_view keyPath,
                                          std::string_view valueName, std::size_t capacity) override;
    RegistryWrite setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                           std::string_view data) override;
    Result<void> createKey(RegistryRoot root, std::string_view keyPath) override;

    // Test access.
    void put(RegistryRoot root, std::string_view keyPath, std::string_view valueName, std::string_view data);
    std::optional<std::string> get(RegistryRoot root, std::string_view keyPath,
                                   std::string_view valueName) const;
    std::size_t valueCount(RegistryRoot root, std::string_view keyPath) const;
    int writes = 0;

private:
    using Values = std::map<std::string, std::string>;
    // The key, made with every missing level.
    Values& make(RegistryRoot root, std::string_view keyPath);
    std::map<std::pair<RegistryRoot, std::string>, Values> m_keys;
};

// Message boxes answered from a queue; a message that finds no answer fails the test instead of blocking.
class FakeMessageBoxes : public MessageBoxes
{
public:
    MessageAnswer show(const Message& message) override;

    void answerNext(MessageAnswer answer) { m_answers.push_back(answer); }
    std::vector<Message> shown;
    bool useDefaultWhenUnanswered = false;

private:
    std::deque<MessageAnswer> m_answers;
};

struct FakeDrive
{
    DriveType type = DriveType::Fixed;
    std::optional<DiskSpace> space;
    std::string root;
};

class FakeDrives : public Drives
{
public:
    DriveType driveType(char letter) override;
    std::optional<DiskSpace> diskFreeSpace(char letter) override;
    std::string rootPath(char letter) override;
    char currentDrive() override { return current; }

    std::map<char, FakeDrive> drives;
    char current = 0;
    std::vector<char> typeQueries; // every letter driveType was asked about, in order
};

class FakeSystemFolders : public SystemFolders
{
public:
    std::string windowsDirectory() override { return windows; }
    std::string tempPath() override { return temp; }
    std::string currentDirectory() override { return current; }
    std::string userStateFolder() override { return state; }
    std::string installedFolder() override { return installed; }
    std::vector<std::string> trashFolders() override { return trashes; }
    // The paths `keptLines` names, lines of the system's temporary-files configuration.
    std::unique_ptr<KeptPaths> keptPaths() override;

    std::string windows;
    std::string temp;
    std::string current;
    std::string state;
    std::string keptLines;
    std::string installed;
    std::vector<std::string> trashes;
};

class FakeClock : public Clock
{
public:
    std::chrono::system_clock::time_point now() override { return time; }
    std::chrono::steady_clock::time_point steadyNow() override { return steady; }
    // Moves both clocks on.
    void advance(std::chrono::milliseconds by)
    {
        time += by;
        steady += by;
    }
    std::chrono::system_clock::time_point time =
        std::chrono::system_clock::time_point{} + std::chrono::hours(24 * 365 * 30);
    std::chrono::steady_clock::time_point steady =
        std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
};

// Numbers as in the original's default regional settings; dates and times in ISO form.
class FakeLocale : public Locale
{
public:
    NumberFormat numberFormat() override { return format; }
    std::string shortDate(std::chrono::system_clock::time_point when) override;
    std::string shortTime(std::chrono::system_clock::time_point when) override;
    NumberFormat format;
};

class FakeProcesses : public Processes
{
public:
    Result<void> openTextFile(const std::string& path) override
    {
        opened.push_back(path);
        return {};
    }
    Result<void> openPageAt(const std::string& path, std::string_view anchor) override
    {
        opened.push_back(path + "#" + std::string(anchor));
        return {};
    }
    Result<void> openFolder(const std::string& path) override { return openTextFile(path); }
    std::vector<std::string> opened; // a page opened at an anchor as "<path>#<anchor>"
};

// The real reader of git repositories, counting how often it is asked.
class CountingRepositories : public Repositories
{
public:
    Result<TrackedPaths> trackedPaths(const std::string& workTree) override
    {
        ++reads;
        return real.trackedPaths(workTree);
    }
    posix::GitRepositories real;
    int reads = 0;
};

// Package databases where none exists: every manager absent.
posix::PackageDatabases::Locations noPackageDatabases();

// Every platform service faked, except the file system, which is the real one so tests can build trees
// in temporary folders.
struct FakePlatform
{
    FakePlatform();

    FakeRegistry registry;
    FakeDrives drives;
    FakeSystemFolders folders;
    FakeMessageBoxes messageBoxes;
    FakeClock clock;
    FakeLocale locale;
    FakeProcesses processes;
    // No package database unless a test lays one out: the machine's own would slow every search.
    posix::PackageDatabases packages{noPackageDatabases()};
    CountingRepositories repositories;
    std::unique_ptr<FileSystem> fileSystem;
    Platform platform;
};

} // namespace dustrel::test
