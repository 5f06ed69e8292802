#pragma once

#include "platform/SystemFolders.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace dustrel::posix {

// What each specifier ("%b", "%u", ...) of the temporary-files configuration stands for. One may stand
// for several values (the system's own instance and the running user see different homes and runtime
// folders): a line then covers the paths of every value. A specifier not named here makes its line cover
// nothing.
using Specifiers = std::map<char, std::vector<std::string>>;

// The lines of the system's temporary-files configuration (tmpfiles.d) that say a path must stay while
// the system runs:
// - "x": the path and everything below it is never cleaned;
// - "X": the path itself is never cleaned, what lies below it may be;
// - any type marked "!": it acts at boot only, on something the running session holds (the X server's
//   lock, a service's private folder), so the path and everything below it stay.
// Every other line is about creating or ageing files and says nothing about what may go now.
class TmpfilesRules : public KeptPaths
{
public:
    // Adds the lines of one configuration file.
    void addLines(std::string_view text, const Specifiers& specifiers);

    bool keeps(std::string_view path) const override;

    std::size_t size() const { return m_rules.size(); }

private:
    struct Rule
    {
        std::string path;    // absolute, without doubled or trailing slashes
        std::size_t slashes; // how many "/" a path it covers has
        std::size_t literal; // the length of its start that holds no glob character
        bool glob;
        bool below; // also covers what lies below the path
    };
    void addLine(std::string_view line, const Specifiers& specifiers);
    bool covers(const Rule& rule, std::string_view path) const;

    std::vector<Rule> m_rules;
    mutable std::string m_candidate; // the part of a path a rule is matched against, NUL-terminated
    // The folder of the path asked last (up to its last "/") and the rules that may cover its files.
    mutable std::string m_folder;
    mutable bool m_folderKnown = false;
    mutable std::vector<std::size_t> m_folderRules;
};

// Reads the "*.conf" files of `folders`, given first to last in precedence: a file hides the files of
// the same name in the folders after its own (an empty one or a link to /dev/null hides them for good).
TmpfilesRules readTmpfilesRules(const std::vector<std::string>& folders, const Specifiers& specifiers);

// The folders the system reads its configuration from, in precedence.
std::vector<std::string> tmpfilesFolders();

// The specifiers as the system's instance and the running user resolve them.
Specifiers tmpfilesSpecifiers();

} // namespace dustrel::posix
