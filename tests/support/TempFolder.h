#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dustrel::test {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

    // Helpers that abort the test on failure. Paths are relative to the folder.
    std::string makeFolder(std::string_view relative) const;
    std::string writeFile(std::string_view relative, std::string_view content) const;

private:
    std::string m_path;
};

// Removes a tree without following links, making folders writable on the way.
void removeTree(const std::string& path);

std::string readWholeFile(const std::string& path);

// Whether anything, a dangling link included, has this name.
bool exists(const std::string& path);

// The lines of a text whose every line ends with CR LF; a last line without one fails the test.
std::vector<std::string> crlfLines(const std::string& text);

// Sets an environment variable for the life of the object and restores the old value afterwards.
class ScopedEnv
{
public:
    ScopedEnv(std::string name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace dustrel::test
