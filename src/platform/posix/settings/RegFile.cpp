#include "platform/posix/settings/RegFile.h"

#include "base/Text.h"

#include <optional>
#include <utility>

namespace dustrel::posix {

namespace {

constexpr std::string_view kRegedit4 = "REGEDIT4";
constexpr std::string_view kVersion5 = "Windows Registry Editor Version 5.00";
constexpr char kCtrlZ = '\x1A';

// A value's data goes on over the next line when its line ends with "\".
bool continues(std::string_view line)
{
    line = trimRight(line);
    return !line.empty() && line.back() == '\\';
}

// Windows writes its exports in UTF-16LE; the store works in UTF-8. Text that is not valid UTF-16
// cannot be carried over without loss, so it makes the file unreadable.
std::optional<std::string> utf16leToUtf8(std::string_view bytes)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(bytes.size() / 2 * 3 / 2 + 16);
    auto unit = [&](std::size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char16_t first = unit(i);
        if (first >= 0xDC00 && first <= 0xDFFF)
            return std::nullopt;
        if (first >= 0xD800 && first <= 0xDBFF) {
            if (i + 2 >= bytes.size())
                return std::nullopt;
            char16_t second = unit(i + 2);
            if (second < 0xDC00 || second > 0xDFFF)
                return std::nullopt;
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) + (second - 0xDC00u));
            i += 2;
        } else {
            appendUtf8(out, first);
        }
    }
    return out;
}

// The quoted text that starts at text[pos] == '"', decoded; pos moves past the closing quote. Nothing
// when the quote is not closed or an escape is not one the store writes.
std::optional<std::string> decodeQuoted(std::string_view text, std::size_t& pos)
{
    std::string out;
    std::size_t i = pos + 1;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {
            pos = i + 1;
            return out;
        }
        if (c != '\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 >= text.size())
            return std::nullopt;
        const char e = text[i + 1];
        i += 2;
        switch (e) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '0':
            out += '\0';
            break;
        case 'x': {
            const long byte = hexValue(text, i, 2);
            if (byte < 0)
                return std::nullopt;
            out += static_cast<char>(byte);
            i += 2;
            break;
        }
        case 'u': {
            const long code = hexValue(text, i, 4);
            if (code < 0 || (code >= 0xD800 && code <= 0xDFFF))
                return std::nullopt;
            appendUtf8(out, static_cast<char32_t>(code));
            i += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

struct ValueLine
{
    enum Kind
    {
        String,
        Other,
        Deletion,
    };
    Kind kind = String;
    std::string name;
    std::string data;
};

// `text` starts with '"' or '@' (blanks before it already dropped). Nothing when the line is not a
// value line at all.
std::optional<ValueLine> parseValueLine(std::string_view text)
{
    ValueLine line;
    std::size_t pos = 0;
    if (text.front() == '@') {
        pos = 1;
    } else {
        auto name = decodeQuoted(text, pos);
        if (!name)
            return std::nullopt;
        line.name = std::move(*name);
    }
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return std::nullopt;
    ++pos;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    const std::string_view data = text.substr(pos);
    if (trimRight(data) == "-") {
        line.kind = ValueLine::Deletion;
        return line;
    }
    if (!data.empty() && data.front() == '"') {
        std::size_t end = 0;
        auto decoded = decodeQuoted(data, end);
        if (decoded && trimRight(data.substr(end)).empty()) {
            line.data = std::move(*decoded);
            return line;
        }
    }
    line.kind = ValueLine::Other;
    line.data = std::string(data);
    return line;
}

bool isHeader(std::string_view line)
{
    line = trim(line);
    return equalsIgnoreCase(line, kRegedit4) || equalsIgnoreCase(line, kVersion5);
}

Error parseError(std::size_t lineNumber, std::string_view what)
{
    std::string message(what);
    if (lineNumber > 0)
        message = "line " + std::to_string(lineNumber) + ": " + message;
    return Error{0, std::move(message), {}};
}

} // namespace

std::string escapeRegString(std::string_view bytes)
{
    std::string out;
    appendEscaped(out, bytes, '"');
    return out;
}

// Reads the lines of one file into a document, in file order.
class RegFile::Parser
{
public:
    explicit Parser(RegFile& file) : m_file(file) {}

    Result<void> run(std::string_view text)
    {
        std::size_t lineNumber = 0;
        bool headerSeen = false;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            while (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);

            if (!headerSeen) {
                if (trim(line).empty())
                    continue;
                if (trimLeft(line).front() == ';') {
                    // Kept, though after the header, where an import would still accept it.
                    m_file.m_preamble.push_back(verbatim(line));
                    continue;
                }
                if (!isHeader(line))
                    return parseError(lineNumber, "no REGEDIT4 header");
                m_file.m_header =
                    equalsIgnoreCase(trim(line), kRegedit4) ? Header::Regedit4 : Header::Version5;
                headerSeen = true;
                continue;
            }
            if (auto result = takeLine(line, lineNumber); !result)
                return result;
        }
        if (!headerSeen)
            return parseError(0, "no REGEDIT4 header");
        if (m_removals)
            m_file.compact();
        return {};
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    Result<void> takeLine(std::string_view line, std::size_t lineNumber)
    {
        const std::string_view text = trimLeft(line);
        if (takeContinuation(line, text))
            return {};
        if (trimRight(text).empty())
            return {};
        if (text.front() == '[')
            return takeKeyLine(trimRight(text), lineNumber);
        if (m_afterDeletion) {
            // Comments about a deleted key go with it; anything else there has no key to belong to.
            if (text.front() == ';')
                return {};
            return parseError(lineNumber, "line under a deleted key");
        }
        if (m_key == kNone) {
            m_file.m_preamble.push_back(verbatim(line));
            return {};
        }
        Key& key = m_file.m_keys[m_key];
        std::optional<ValueLine> value;
        if (text.front() == '"' || text.front() == '@')
            value = parseValueLine(text);
        if (!value) {
            key.items.push_back(verbatim(line));
            return {};
        }
        takeValue(key, std::move(*value));
        return {};
    }

    // Appends the line to the value whose data goes on over it; false when the line starts anew.
    bool takeContinuation(std::string_view line, std::string_view text)
    {
        if (m_continued == kNone)
            return false;
        if (!text.empty() && text.front() != '[' && text.front() != '"' && text.front() != '@' &&
            text.front() != ';') {
            Item& item = m_file.m_keys[m_key].items[m_continued];
            item.value.data += '\n';
            item.value.data += line;
            if (!continues(line))
                m_continued = kNone;
            return true;
        }
        m_continued = kNone;
        return false;
    }

    void takeValue(Key& key, ValueLine value)
    {
        std::string folded = toLowerAscii(value.name);
        auto found = key.valueIndex.find(folded);
        if (value.kind == ValueLine::Deletion) {
            if (found != key.valueIndex.end()) {
                key.items[found->second].removed = true;
                key.valueIndex.erase(found);
                m_removals = true;
            }
            return;
        }
        const bool isString = value.kind == ValueLine::String;
        std::size_t index = 0;
        if (found != key.valueIndex.end()) {
            // A later line for the same name wins, as an import would have it; the first spelling stays.
            index = found->second;
            key.items[index].value.data = std::move(value.data);
            key.items[index].value.isString = isString;
        } else {
            index = key.items.size();
            key.items.push_back(Item{Value{std::move(value.name), std::move(value.data), isString}});
            key.valueIndex.emplace(std::move(folded), index);
        }
        if (!isString && continues(key.items[index].value.data))
            m_continued = index;
    }

    Result<void> takeKeyLine(std::string_view text, std::size_t lineNumber)
    {
        if (text.size() < 3 || text.back() != ']')
            return parseError(lineNumber, "incomplete key line");
        std::string_view path = text.substr(1, text.size() - 2);
        if (path.front() == '-') {
            path.remove_prefix(1);
            if (path.empty())
                return parseError(lineNumber, "incomplete key line");
            m_file.removeKeyTree(path);
            m_removals = true;
            m_key = kNone;
            m_afterDeletion = true;
            return {};
        }
        m_key = static_cast<std::size_t>(&m_file.addKey(path) - m_file.m_keys.data());
        m_afterDeletion = false;
        return {};
    }

    static Item verbatim(std::string_view line)
    {
        Item item;
        item.isValue = false;
        item.value.data = std::string(line);
        return item;
    }

    RegFile& m_file;
    std::size_t m_key = kNone;       // the key the lines belong to; none before the first key line
    std::size_t m_continued = kNone; // the value of m_key whose data goes on over the next line
    bool m_afterDeletion = false;
    bool m_removals = false;
};

Result<RegFile> RegFile::parse(std::string_view bytes)
{
    if (bytes.size() > kMaxFileSize)
        return parseError(0, "larger than " + std::to_string(kMaxFileSize >> 20) + " MiB");

    std::string converted;
    std::string_view text = bytes;
    if (text.starts_with("\xFF\xFE")) {
        auto utf8 = utf16leToUtf8(text.substr(2));
        if (!utf8)
            return parseError(0, "not valid UTF-16");
        converted = std::move(*utf8);
        text = converted;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    // A Ctrl-Z marks the end of the text in files from old editors; only blanks may follow it.
    if (const std::size_t end = text.find(kCtrlZ); end != std::string_view::npos) {
        if (text.find_first_not_of(" \t\r\n", end + 1) != std::string_view::npos)
            return parseError(0, "binary data (Ctrl-Z inside the text)");
        text = text.substr(0, end);
    }
    std::size_t lineNumber = 1;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n')
            ++lineNumber;
        else if (byte < 0x20 && byte != '\t' && byte != '\r')
            return parseError(lineNumber, "binary data");
    }

    RegFile file;
    Parser parser(file);
    if (auto result = parser.run(text); !result)
        return result.error();
    return file;
}

std::string RegFile::serialize() const
{
    std::string out;
    out += m_header == Header::Regedit4 ? kRegedit4 : kVersion5;
    out += '\n';
    if (!m_preamble.empty()) {
        out += '\n';
        for (const Item& item : m_preamble) {
            out += item.value.data;
            out += '\n';
        }
    }
    for (const Key& key : m_keys) {
        out += "\n[";
        out += key.path;
        out += "]\n";
        for (std::size_t i = 0; i < key.items.size(); ++i) {
            const Item& item = key.items[i];
            if (!item.isValue) {
                out += item.value.data;
                out += '\n';
                continue;
            }
            const Value& value = item.value;
            if (value.name.empty()) {
                out += '@';
            } else {
                out += '"';
                out += escapeRegString(value.name);
                out += '"';
            }
            out += '=';
            if (value.isString) {
                out += '"';
                out += escapeRegString(value.data);
                out += "\"\n";
                continue;
            }
            out += value.data;
            out += '\n';
            // A blank line ends data left hanging on a "\", so the next line is not read as more of it.
            if (continues(value.data) && i + 1 < key.items.size())
                out += '\n';
        }
    }
    return out;
}

RegFile::Key* RegFile::findKey(std::string_view keyPath)
{
    auto it = m_keyIndex.find(toLowerAscii(keyPath));
    return it == m_keyIndex.end() ? nullptr : &m_keys[it->second];
}

const RegFile::Key* RegFile::findKey(std::string_view keyPath) const
{
    auto it = m_keyIndex.find(toLowerAscii(keyPath));
    return it == m_keyIndex.end() ? nullptr : &m_keys[it->second];
}

bool RegFile::keyExists(std::string_view keyPath) const
{
    std::string folded = toLowerAscii(keyPath);
    if (m_keyIndex.count(folded) != 0)
        return true;
    // Keys below the key sort right after "key\".
    folded += '\\';
    auto below = m_sortedKeys.lower_bound(folded);
    return below != m_sortedKeys.end() && below->starts_with(folded);
}

const RegFile::Value* RegFile::findValue(std::string_view keyPath, std::string_view valueName) const
{
    const Key* key = findKey(keyPath);
    if (key == nullptr)
        return nullptr;
    auto it = key->valueIndex.find(toLowerAscii(valueName));
    return it == key->valueIndex.end() ? nullptr : &key->items[it->second].value;
}

RegFile::Key& RegFile::addKey(std::string_view keyPath)
{
    std::string folded = toLowerAscii(keyPath);
    if (auto it = m_keyIndex.find(folded); it != m_keyIndex.end())
        return m_keys[it->second];
    m_keyIndex.emplace(folded, m_keys.size());
    m_sortedKeys.insert(std::move(folded));
    Key& key = m_keys.emplace_back();
    key.path = std::string(keyPath);
    return key;
}

void RegFile::removeKeyTree(std::string_view keyPath)
{
    const std::string folded = toLowerAscii(keyPath);
    const std::string below = folded + '\\';
    auto drop = [this](const std::string& path) {
        if (auto it = m_keyIndex.find(path); it != m_keyIndex.end()) {
            m_keys[it->second].removed = true;
            m_keyIndex.erase(it);
        }
    };
    if (auto it = m_sortedKeys.find(folded); it != m_sortedKeys.end()) {
        drop(*it);
        m_sortedKeys.erase(it);
    }
    auto it = m_sortedKeys.lower_bound(below);
    while (it != m_sortedKeys.end() && it->starts_with(below)) {
        drop(*it);
        it = m_sortedKeys.erase(it);
    }
}

void RegFile::compact()
{
    std::vector<Key> keys;
    keys.reserve(m_keys.size());
    m_keyIndex.clear();
    for (Key& key : m_keys) {
        if (key.removed)
            continue;
        std::vector<Item> items;
        items.reserve(key.items.size());
        key.valueIndex.clear();
        for (Item& item : key.items) {
            if (item.removed)
                continue;
            if (item.isValue)
                key.valueIndex.emplace(toLowerAscii(item.value.name), items.size());
            items.push_back(std::move(item));
        }
        key.items = std::move(items);
        m_keyIndex.emplace(toLowerAscii(key.path), keys.size());
        keys.push_back(std::move(key));
    }
    m_keys = std::move(keys);
}

RegFile::Change RegFile::createKey(std::string_view keyPath)
{
    if (keyExists(keyPath))
        return Change::Unchanged;
    std::size_t level = keyPath.find('\\');
    while (level != std::string_view::npos) {
        level = keyPath.find('\\', level + 1);
        const std::string_view path = keyPath.substr(0, level);
        if (!keyExists(path))
            addKey(path);
    }
    if (!keyExists(keyPath))
        addKey(keyPath);
    return Change::Changed;
}

RegFile::Change RegFile::setString(std::string_view keyPath, std::string_view valueName,
                                   std::string_view data)
{
    Key* key = findKey(keyPath);
    if (key == nullptr) {
        if (!keyExists(keyPath))
            return Change::KeyMissing;
        key = &addKey(keyPath); // a key known only from the keys below it gets its own line
    }
    std::string folded = toLowerAscii(valueName);
    if (auto it = key->valueIndex.find(folded); it != key->valueIndex.end()) {
        Value& value = key->items[it->second].value;
        if (value.isString && value.data == data)
            return Change::Unchanged;
        value.data = std::string(data);
        value.isString = true;
        return Change::Changed;
    }
    key->valueIndex.emplace(std::move(folded), key->items.size());
    key->items.push_back(Item{Value{std::string(valueName), std::string(data), true}});
    return Change::Changed;
}

void RegFile::forEachKey(const std::function<void(const std::string&)>& visit) const
{
    for (const Key& key : m_keys)
        visit(key.path);
}

void RegFile::forEachValue(std::string_view keyPath, const std::function<void(const Value&)>& visit) const
{
    if (const Key* key = findKey(keyPath))
        for (const Item& item : key->items)
            if (item.isValue)
                visit(item.value);
}

} // namespace dustrel::posix
