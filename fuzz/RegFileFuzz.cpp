// Feeds arbitrary bytes to the settings-file reader. Whatever it accepts must come out of a write and a
// second read unchanged, and a value of any bytes written into it must read back the same.
//
//   build/fuzz/bin/RegFileFuzz -max_total_time=20 build/fuzz/corpus-RegFile tests/data/reg

#include "platform/posix/settings/RegFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using dustrel::posix::RegFile;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkSameValues(const RegFile& a, const RegFile& b)
{
    a.forEachKey([&](const std::string& key) {
        require(b.keyExists(key));
        a.forEachValue(key, [&](const RegFile::Value& value) {
            const RegFile::Value* other = b.findValue(key, value.name);
            require(other != nullptr && other->isString == value.isString && other->data == value.data);
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto file = RegFile::parse(bytes);
    if (file.ok()) {
        const std::string once = file->serialize();
        auto again = RegFile::parse(once);
        require(again.ok());
        require(again->serialize() == once);
        checkSameValues(*file, *again);
    }

    // The input cut into a key path, a value name and data, written into the document.
    RegFile written = file.ok() ? *file : RegFile();
    const std::string key = "HKEY_LOCAL_MACHINE\\" + std::string(bytes.substr(0, size / 4));
    for (const char c : key)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return 0; // a key line cannot hold line ends or control bytes
    if (key.find("\\\\") != std::string::npos || key.back() == '\\')
        return 0; // nor empty levels

    written.createKey(key);
    const std::string_view name = bytes.substr(size / 4, size / 4);
    const std::string_view value = bytes.substr(size / 2);
    require(written.setString(key, name, value) != RegFile::Change::KeyMissing);
    auto back = RegFile::parse(written.serialize());
    require(back.ok());
    const RegFile::Value* read = back->findValue(key, name);
    require(read != nullptr && read->isString && read->data == value);
    return 0;
}
