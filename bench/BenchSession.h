#pragma once

#include "platform/Platform.h"
#include "platform/posix/owners/GitRepositories.h"
#include "platform/posix/owners/PackageDatabases.h"
#include "platform/posix/session/PosixLocale.h"
#include "platform/posix/session/PosixSystemFolders.h"
#include "platform/posix/walk/PosixFileSystem.h"
#include "state/ProgramState.h"

#include <string>

namespace dustrel::bench {

// The program as a search of the benchmark tree sees it: the real file system and locale, one drive C
// whose root is the tree, all 19 rules ticked and a few ignore entries; no settings store, no question
// asked, no viewer started. A driver for the window uses the same session, so both search alike.
class BenchSession
{
public:
    explicit BenchSession(std::string root);
    BenchSession(const BenchSession&) = delete;
    BenchSession& operator=(const BenchSession&) = delete;

    ProgramState state;
    Platform& platform() { return m_platform; }
    posix::PosixFileSystem& fileSystem() { return m_fileSystem; }

private:
    class NoRegistry : public Registry
    {
    public:
        bool keyExists(RegistryRoot, std::string_view) override { return false; }
        std::optional<std::string> queryValue(RegistryRoot, std::string_view, std::string_view,
                                              std::size_t) override
        {
            return std::nullopt;
        }
        RegistryWrite setValue(RegistryRoot, std::string_view, std::string_view, std::string_view) override
        {
            return RegistryWrite::KeyMissing;
        }
        Result<void> createKey(RegistryRoot, std::string_view) override { return {}; }
    };
    class TreeDrive : public Drives
    {
    public:
        explicit TreeDrive(std::string root) : m_root(std::move(root)) {}
        DriveType driveType(char letter) override
        {
            return letter == 'C' ? DriveType::Fixed : DriveType::NoRootDir;
        }
        std::optional<DiskSpace> diskFreeSpace(char) override { return std::nullopt; }
        std::string rootPath(char letter) override { return letter == 'C' ? m_root : std::string(); }
        char currentDrive() override { return 'C'; }

    private:
        std::string m_root;
    };
    // Questions (the double-click's "add to the ignore list ?") are answered No without a word, so a
    // measure never grows the ignore list; anything else is printed as a run without a display prints it.
    class QuietQuestions : public MessageBoxes
    {
    public:
        MessageAnswer show(const Message& message) override
        {
            if (message.buttons == MessageButtons::YesNo)
                return MessageAnswer::No;
            return m_print.show(message);
        }

    private:
        StreamMessageBoxes m_print{stderr};
    };
    class NoProcesses : public Processes
    {
    public:
        Result<void> openTextFile(const std::string&) override { return {}; }
        Result<void> openPageAt(const std::string&, std::string_view) override { return {}; }
        Result<void> openFolder(const std::string&) override { return {}; }
    };

    NoRegistry m_registry;
    posix::PosixFileSystem m_fileSystem;
    TreeDrive m_drives;
    posix::PosixSystemFolders m_folders;
    QuietQuestions m_messageBoxes;
    SystemClock m_clock;
    posix::PosixLocale m_locale;
    NoProcesses m_processes;
    // The machine's own package databases: a search reads them as the program's does.
    posix::PackageDatabases m_packages;
    posix::GitRepositories m_repositories;
    Platform m_platform;
};

} // namespace dustrel::bench
