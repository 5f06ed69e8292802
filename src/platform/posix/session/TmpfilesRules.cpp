#include "platform/posix/session/TmpfilesRules.h"

#include "base/Text.h"
#include "platform/posix/io/DescriptorIo.h"
#include "platform/posix/io/DirStream.h"
#include "platform/posix/io/UniqueFd.h"
#include "platform/posix/session/XdgPaths.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <fnmatch.h>
#include <initializer_list>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace dustrel::posix {

namespace {

// More than any configuration file holds; a larger one is not read.
constexpr std::size_t kFileLimit = 1 << 20;
// A line naming more paths than this through its specifiers' values is left out rather than multiplied.
constexpr std::size_t kMaxExpansions = 64;
constexpr std::string_view kGlobTypes = "xXrRzZtThHaA";
constexpr std::string_view kGlobCharacters = "*?[";

// One C-style escape after its backslash, from the start of `text`; false for one the system refuses.
bool unescape(std::string_view& text, std::string& out)
{
    static constexpr std::string_view kFrom = "abfnrtvs\\\"'";
    static constexpr std::string_view kTo = "\a\b\f\n\r\t\v \\\"'";
    if (text.empty())
        return false;
    if (const std::size_t k = kFrom.find(text[0]); k != std::string_view::npos) {
        out += kTo[k];
        text.remove_prefix(1);
        return true;
    }
    if (const long byte = text[0] == 'x' ? hexValue(text, 1, 2) : -1; byte >= 0) {
        out += static_cast<char>(byte);
        text.remove_prefix(3);
        return true;
    }
    return false;
}

// The next blank-separated field of a line, its quotes taken off and its escapes undone; nothing when
// there is none or it is malformed.
std::optional<std::string> nextField(std::string_view& rest)
{
    rest = trimLeft(rest);
    std::string field;
    char quote = 0;
    while (!rest.empty() && (quote != 0 || !isBlank(rest[0]))) {
        const char c = rest[0];
        rest.remove_prefix(1);
        if (c == '\\') {
            if (!unescape(rest, field))
                return std::nullopt;
        } else if (quote == 0 && (c == '"' || c == '\'')) {
            quote = c;
        } else if (c == quote) {
            quote = 0;
        } else {
            field += c;
        }
    }
    if (quote != 0 || field.empty())
        return std::nullopt;
    return field;
}

// Every path a line's path stands for; nothing when a specifier is unknown or stands for nothing.
std::optional<std::vector<std::string>> expand(std::string_view path, const Specifiers& specifiers)
{
    std::vector<std::string> paths{std::string()};
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '%') {
            for (std::string& p : paths)
                p += path[i];
            continue;
        }
        if (++i == path.size())
            return std::nullopt;
        if (path[i] == '%') {
            for (std::string& p : paths)
                p += '%';
            continue;
        }
        const auto values = specifiers.find(path[i]);
        if (values == specifiers.end() || values->second.empty() ||
            paths.size() * values->second.size() > kMaxExpansions)
            return std::nullopt;
        std::vector<std::string> longer;
        for (const std::string& p : paths)
            for (const std::string& value : values->second)
                longer.push_back(p + value);
        paths = std::move(longer);
    }
    return paths;
}

// The path without doubled or trailing slashes, as the system compares them.
std::string normalised(std::string_view path)
{
    std::string out;
    for (const char c : path) {
        if (c != '/' || out.empty() || out.back() != '/')
            out += c;
    }
    if (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

} // namespace

void TmpfilesRules::addLines(std::string_view text, const Specifiers& specifiers)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        addLine(text.substr(0, end), specifiers);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

void TmpfilesRules::addLine(std::string_view line, const Specifiers& specifiers)
{
    line = trim(line, " \t\r");
    if (line.empty() || line[0] == '#')
        return;
    const auto type = nextField(line);
    const auto path = nextField(line);
    if (!type || !path)
        return;
    const bool boot = type->find('!', 1) != std::string::npos;
    const char letter = (*type)[0];
    if (!boot && letter != 'x' && letter != 'X')
        return;
    const auto paths = expand(*path, specifiers);
    if (!paths)
        return;
    const bool glob = kGlobTypes.find(letter) != std::string_view::npos;
    for (const std::string& expanded : *paths) {
        if (expanded.empty() || expanded[0] != '/')
            continue;
        Rule rule{normalised(expanded), 0, 0, glob, boot || letter == 'x'};
        rule.slashes = static_cast<std::size_t>(std::count(rule.path.begin(), rule.path.end(), '/'));
        rule.literal = glob ? std::min(rule.path.find_first_of(kGlobCharacters), rule.path.find('\\'))
                            : rule.path.size();
        rule.literal = std::min(rule.literal, rule.path.size());
        m_rules.push_back(std::move(rule));
        m_folderKnown = false;
    }
}

bool TmpfilesRules::keeps(std::string_view path) const
{
    // A folder's files are asked one after another: the rules whose literal start could match below the
    // folder are picked once per folder, and most folders have none.
    const std::size_t slash = path.rfind('/');
    const std::string_view folder = path.substr(0, slash == std::string_view::npos ? 0 : slash + 1);
    if (!m_folderKnown || folder != m_folder) {
        m_folder.assign(folder);
        m_folderKnown = true;
        m_folderRules.clear();
        for (std::size_t i = 0; i < m_rules.size(); ++i) {
            const Rule& rule = m_rules[i];
            const std::size_t decided = std::min(rule.literal, folder.size());
            if (rule.path == "/" || folder.compare(0, decided, rule.path, 0, decided) == 0)
                m_folderRules.push_back(i);
        }
    }
    return std::any_of(m_folderRules.begin(), m_folderRules.end(),
                       [&](std::size_t rule) { return covers(m_rules[rule], path); });
}

bool TmpfilesRules::covers(const Rule& rule, std::string_view path) const
{
    if (rule.path.size() == 1) // "/", the only path that short
        return rule.below || path == "/";
    // Asked for every file listed: a path mostly parts from a rule by the last byte of the rule's literal
    // start, which is looked at first.
    if (path.size() < rule.literal ||
        (rule.literal > 0 && path[rule.literal - 1] != rule.path[rule.literal - 1]) ||
        path.compare(0, rule.literal, rule.path, 0, rule.literal) != 0)
        return false;
    // A glob's "*", "?" and "[...]" never match a "/", so a rule only ever matches a path with as many
    // slashes as its own: for one that covers what lies below, the path's start up to its next slash.
    std::size_t end = 0;
    std::size_t slashes = 0;
    while (end < path.size() && (path[end] != '/' || ++slashes <= rule.slashes))
        ++end;
    if (slashes < rule.slashes || (end < path.size() && !rule.below))
        return false;
    if (!rule.glob)
        return path.substr(0, end) == rule.path;
    m_candidate.assign(path.substr(0, end));
    return fnmatch(rule.path.c_str(), m_candidate.c_str(), FNM_PATHNAME) == 0;
}

TmpfilesRules readTmpfilesRules(const std::vector<std::string>& folders, const Specifiers& specifiers)
{
    // By name, the file of the first folder that has it.
    std::map<std::string, std::string> files;
    for (const std::string& folder : folders) {
        const DirStream stream(opendir(folder.c_str()));
        if (!stream)
            continue;
        while (const dirent* entry = readdir(stream.get())) {
            const std::string_view name(entry->d_name);
            if (name.size() > 5 && name.ends_with(".conf") && name[0] != '.')
                files.emplace(name, joinPath(folder, name, '/'));
        }
    }
    TmpfilesRules rules;
    for (const auto& [name, path] : files) {
        // A link to /dev/null reads as nothing, as it should; a file that cannot be read gives nothing,
        // as it gives the system.
        const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (fd) {
            if (const auto text = readToEnd(fd.get(), kFileLimit, path))
                rules.addLines(*text, specifiers);
        }
    }
    return rules;
}

std::vector<std::string> tmpfilesFolders()
{
    return {"/etc/tmpfiles.d", "/run/tmpfiles.d", "/usr/local/lib/tmpfiles.d", "/usr/lib/tmpfiles.d"};
}

namespace {

// The first line of a small system file, blanks and dashes taken off ("%b" is the boot id as 32 hex
// digits); empty when it cannot be read.
std::string idFrom(const char* path)
{
    const UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    const auto text = fd ? readToEnd(fd.get(), 4096, path) : Result<std::string>(std::string());
    std::string id;
    for (const char c : text ? std::string_view(*text) : std::string_view()) {
        if (c == '\n')
            break;
        if (c != '-' && !isBlank(c))
            id += c;
    }
    return id;
}

void add(Specifiers& specifiers, char key, std::initializer_list<std::string> values)
{
    std::vector<std::string>& list = specifiers[key];
    for (const std::string& value : values) {
        if (!value.empty() && std::find(list.begin(), list.end(), value) == list.end())
            list.push_back(value);
    }
}

} // namespace

Specifiers tmpfilesSpecifiers()
{
    Specifiers specifiers;
    add(specifiers, 'b', {idFrom("/proc/sys/kernel/random/boot_id")});
    add(specifiers, 'm', {idFrom("/etc/machine-id")});
    // The system's own instance first, then what a user's instance would take.
    const passwd* user = getpwuid(geteuid());
    add(specifiers, 'u', {"root", user != nullptr && user->pw_name != nullptr ? user->pw_name : ""});
    add(specifiers, 'U', {"0", std::to_string(geteuid())});
    add(specifiers, 'h', {"/root", homeFolder()});
    add(specifiers, 't', {"/run", runtimeFolder()});
    // The first of these that is set, as the system's own tools look them up.
    std::string temp;
    for (const char* name : {"TMPDIR", "TEMP", "TMP"}) {
        if (temp.empty())
            temp = absoluteVariable(name);
    }
    add(specifiers, 'T', {"/tmp", temp});
    add(specifiers, 'V', {"/var/tmp", temp});
    return specifiers;
}

} // namespace dustrel::posix
