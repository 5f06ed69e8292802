#include "platform/posix/drives/MountTable.h"

#include "base/Text.h"

#include <charconv>
#include <cstddef>
#include <optional>

namespace dustrel::posix {

namespace {

// A line read from a file written on another system may keep its carriage return.
constexpr std::string_view kFieldBlanks = " \t\r";

// Fields are separated by runs of blanks: some writers of this list put two blanks between fields.
std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && isBlank(line[pos], kFieldBlanks))
            ++pos;
        const std::size_t start = pos;
        while (pos < line.size() && !isBlank(line[pos], kFieldBlanks))
            ++pos;
        if (pos > start)
            fields.push_back(line.substr(start, pos - start));
    }
    return fields;
}

std::optional<unsigned> parseUnsigned(std::string_view text)
{
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

struct Device
{
    unsigned major;
    unsigned minor;
};

// "major:minor".
std::optional<Device> parseDevice(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const auto major = parseUnsigned(text.substr(0, colon));
    const auto minor = parseUnsigned(text.substr(colon + 1));
    if (!major || !minor)
        return std::nullopt;
    return Device{*major, *minor};
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

// id, parent id, major:minor, root, mount point, mount options; then optional fields up to "-"; then
// the file-system type, the source and the super options.
constexpr std::size_t firstOptionalField = 6;

// Nothing for a line that is not a mount.
std::optional<MountEntry> parseLine(std::string_view line)
{
    const std::vector<std::string_view> fields = splitFields(line);
    if (fields.size() < firstOptionalField + 2)
        return std::nullopt;
    const auto device = parseDevice(fields[2]);
    if (!parseUnsigned(fields[0]) || !parseUnsigned(fields[1]) || !device)
        return std::nullopt;
    std::size_t separator = firstOptionalField;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (separator + 1 >= fields.size())
        return std::nullopt;
    MountEntry entry;
    entry.major = device->major;
    entry.minor = device->minor;
    entry.root = unescapeMountField(fields[3]);
    entry.mountPoint = unescapeMountField(fields[4]);
    if (entry.mountPoint.empty() || entry.mountPoint.front() != '/')
        return std::nullopt;
    entry.fsType = std::string(fields[separator + 1]);
    entry.source = separator + 2 < fields.size() ? std::string(fields[separator + 2]) : std::string();
    return entry;
}

} // namespace

std::string unescapeMountField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            // A path never holds a zero byte, and "\400" and above are not a byte: keep those as written.
            if (value > 0 && value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

MountTable MountTable::parse(std::string_view text)
{
    MountTable table;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (auto entry = parseLine(text.substr(start, end - start)))
            table.m_entries.push_back(std::move(*entry));
        start = end + 1;
    }
    return table;
}

const MountEntry* MountTable::holder(std::string_view path) const
{
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : m_entries) {
        if (!pathIsWithin(path, entry.mountPoint))
            continue;
        // ">=" so that the last of several mounts on the same point wins.
        if (best == nullptr || entry.mountPoint.size() >= best->mountPoint.size())
            best = &entry;
    }
    return best;
}

} // namespace dustrel::posix
