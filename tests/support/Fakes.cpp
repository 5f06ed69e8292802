#include "support/Fakes.h"

#include "base/Text.h"
#include "platform/posix/session/TmpfilesRules.h"
#include "platform/posix/walk/PosixFileSystem.h"

#include <ctime>
#include <gtest/gtest.h>

namespace dustrel::test {

std::unique_ptr<KeptPaths> FakeSystemFolders::keptPaths()
{
    auto rules = std::make_unique<posix::TmpfilesRules>();
    rules->addLines(keptLines, {});
    return rules;
}

bool FakeRegistry::keyExists(RegistryRoot root, std::string_view keyPath)
{
    return m_keys.count({root, toUpperAscii(keyPath)}) != 0;
}

std::optional<std::string> FakeRegistry::queryValue(RegistryRoot root, std::string_view keyPath,
                                                    std::string_view valueName, std::size_t capacity)
{
    auto value = get(root, keyPath, valueName);
    if (!value || value->size() > capacity)
        return std::nullopt;
    return value;
}

RegistryWrite FakeRegistry::setValue(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                                     std::string_view data)
{
    auto it = m_keys.find({root, toUpperAscii(keyPath)});
    if (it == m_keys.end())
        return RegistryWrite::KeyMissing;
    ++writes;
    it->second[toUpperAscii(valueName)] = std::string(data);
    return RegistryWrite::Written;
}

FakeRegistry::Values& FakeRegistry::make(RegistryRoot root, std::string_view keyPath)
{
    // Every level exists afterwards, as with the real store.
    std::string upper = toUpperAscii(keyPath);
    for (std::size_t pos = upper.find('\\'); pos != std::string::npos; pos = upper.find('\\', pos + 1))
        m_keys[{root, upper.substr(0, pos)}];
    return m_keys[{root, upper}];
}

Result<void> FakeRegistry::createKey(RegistryRoot root, std::string_view keyPath)
{
    make(root, keyPath);
    return {};
}

void FakeRegistry::put(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                       std::string_view data)
{
    make(root, keyPath)[toUpperAscii(valueName)] = std::string(data);
}

std::optional<std::string> FakeRegistry::get(RegistryRoot root, std::string_view keyPath,
                                             std::string_view valueName) const
{
    auto key = m_keys.find({root, toUpperAscii(keyPath)});
    if (key == m_keys.end())
        return std::nullopt;
    auto value = key->second.find(toUpperAscii(valueName));
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

std::size_t FakeRegistry::valueCount(RegistryRoot root, std::string_view keyPath) const
{
    auto key = m_keys.find({root, toUpperAscii(keyPath)});
    return key == m_keys.end() ? 0 : key->second.size();
}

MessageAnswer FakeMessageBoxes::show(const Message& message)
{
    shown.push_back(message);
    if (!m_answers.empty()) {
        MessageAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (!useDefaultWhenUnanswered && message.buttons != MessageButtons::Ok)
        ADD_FAILURE() << "unexpected question: " << message.text;
    return message.defaultAnswer;
}

DriveType FakeDrives::driveType(char letter)
{
    typeQueries.push_back(letter);
    auto it = drives.find(letter);
    return it == drives.end() ? DriveType::NoRootDir : it->second.type;
}

std::optional<DiskSpace> FakeDrives::diskFreeSpace(char letter)
{
    auto it = drives.find(letter);
    return it == drives.end() ? std::nullopt : it->second.space;
}

std::string FakeDrives::rootPath(char letter)
{
    auto it = drives.find(letter);
    return it == drives.end() ? std::string() : it->second.root;
}

namespace {
std::string formatUtc(std::chrono::system_clock::time_point when, const char* format)
{
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, format, &tm);
    return buffer;
}
} // namespace

std::string FakeLocale::shortDate(std::chrono::system_clock::time_point when)
{
    return formatUtc(when, "%Y-%m-%d");
}

std::string FakeLocale::shortTime(std::chrono::system_clock::time_point when)
{
    return formatUtc(when, "%H:%M:%S");
}

posix::PackageDatabases::Locations noPackageDatabases()
{
    posix::PackageDatabases::Locations none;
    none.dpkgInfo = "/nonexistent/dpkg";
    none.dpkgDiversions = "/nonexistent/diversions";
    none.pacmanLocal = "/nonexistent/pacman";
    none.rpm = "/nonexistent/rpm";
    none.rpmLimit = std::chrono::seconds(1);
    return none;
}

FakePlatform::FakePlatform()
    : fileSystem(std::make_unique<posix::PosixFileSystem>()), platform{
                                                                  registry, *fileSystem,  drives,
                                                                  folders,  messageBoxes, clock,
                                                                  locale,   processes,    PathRules::posix(),
                                                                  packages, repositories}
{}

} // namespace dustrel::test
