#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dustrel::posix {

// One settings-store file in the registry export layout:
//
//     REGEDIT4
//
//     [HKEY_LOCAL_MACHINE\SOFTWARE\Quorvane\Dustrel]
//     "TypeOfFiles"="1111111111111111111"
//     @="the key's default value"
//
// Key paths are full paths that start with the root's name. Key and value names compare without regard
// to ASCII letter case and keep the spelling first seen. String data are bytes: in names and data "\\",
// "\"", "\n", "\r", "\t", "\0" and "\xHH" stand for the bytes and "\uHHHH" for a character in UTF-8; anything
// that is not valid UTF-8 is written as "\xHH", and the characters that break or reorder lines as "\uHHHH"
// (see appendEscaped), so the file stays text whatever the data hold.
//
// People edit these files and other programs' exports end up here, so reading is liberal: CRLF or LF,
// a UTF-8 or UTF-16LE byte-order mark, a trailing Ctrl-Z, ";" comments, blanks around "=", "@" for the
// default value, either export header, and values of other types ("dword:", "hex(7):" with "\" line
// continuations), which are kept verbatim and written back unchanged; so is quoted data with an escape
// other than those above or with text after the closing quote. Comment lines and lines that are
// none of the above are kept in place and written back as they were (comments before the header move
// to just after it). Deletion lines ("[-key]", which takes the keys below along, and "name"=-) apply to
// what came before them in the file and are not kept, nor are comments under a deleted key.
//
// A file cannot be parsed when keeping it would risk misreading or losing data:
//  - it is larger than kMaxFileSize;
//  - it starts with a UTF-16LE byte-order mark but is not valid UTF-16;
//  - it holds a control byte other than tab, CR and LF (binary data), Ctrl-Z aside as the last byte;
//  - its first line that is neither blank nor a comment is not one of the two export headers;
//  - a line starts with "[" but is not a whole key line, so the values after it have no sure key;
//  - a line other than a comment follows a key deletion before the next key line.
class RegFile
{
public:
    static constexpr std::size_t kMaxFileSize = 64u << 20;

    enum class Header
    {
        Regedit4,
        Version5, // "Windows Registry Editor Version 5.00"; kept so "hex(2):" data keep their meaning
    };

    enum class Change
    {
        Unchanged,
        Changed,
        KeyMissing,
    };

    struct Value
    {
        std::string name; // "" is the default value, written "@"
        std::string data; // the bytes of a string value, else the text after "=" verbatim
        bool isString = true;
    };

    // A document with no keys.
    RegFile() = default;
    explicit RegFile(Header header) : m_header(header) {}

    // The document in `bytes`, or an Error saying why the file cannot be parsed.
    static Result<RegFile> parse(std::string_view bytes);
    std::string serialize() const;

    Header header() const { return m_header; }
    std::size_t keyCount() const { return m_keys.size(); }

    // A key exists when it has a key line or when a key below it has one.
    bool keyExists(std::string_view keyPath) const;
    const Value* findValue(std::string_view keyPath, std::string_view valueName) const;

    // Adds a key line for the key and for every level above it (after the root) that does not exist.
    Change createKey(std::string_view keyPath);
    // Sets a string value of an existing key; a value of another type under that name is replaced.
    Change setString(std::string_view keyPath, std::string_view valueName, std::string_view data);

    // Every key path that has a key line, and every value of one key, in file order.
    void forEachKey(const std::function<void(const std::string&)>& visit) const;
    void forEachValue(std::string_view keyPath, const std::function<void(const Value&)>& visit) const;

private:
    struct Item
    {
        Value value;
        bool isValue = true; // false: a comment or unrecognised line, kept as value.data
        bool removed = false;
    };

    struct Key
    {
        std::string path;
        std::vector<Item> items;
        std::unordered_map<std::string, std::size_t> valueIndex; // folded name -> position in items
        bool removed = false;
    };

    class Parser;

    Key* findKey(std::string_view keyPath);
    const Key* findKey(std::string_view keyPath) const;
    Key& addKey(std::string_view keyPath);
    void removeKeyTree(std::string_view keyPath);
    void compact();

    Header m_header = Header::Regedit4;
    std::vector<Item> m_preamble; // comments and unrecognised lines before the first key line
    std::vector<Key> m_keys;
    std::unordered_map<std::string, std::size_t> m_keyIndex; // folded path -> position in m_keys
    std::set<std::string, std::less<>> m_sortedKeys;         // folded paths, to find keys below a key
};

// The escaped form of bytes as they stand between the quotes of a name or string value.
std::string escapeRegString(std::string_view bytes);

} // namespace dustrel::posix
