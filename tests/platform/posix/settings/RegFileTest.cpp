#include "platform/posix/settings/RegFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace dustrel::posix {
namespace {

using namespace std::string_literals;
using test::readWholeFile;
using test::TempFolder;

RegFile parsed(std::string_view text)
{
    auto file = RegFile::parse(text);
    EXPECT_TRUE(file.ok()) << (file.ok() ? "" : file.error().describe());
    return file.ok() ? std::move(file).value() : RegFile();
}

std::string dataFile(const std::string& name)
{
    return readWholeFile(std::string(DUSTREL_TEST_DATA) + "/reg/" + name);
}

std::optional<std::string> text(const RegFile& file, std::string_view key, std::string_view name)
{
    const RegFile::Value* value = file.findValue(key, name);
    if (value == nullptr || !value->isString)
        return std::nullopt;
    return value->data;
}

TEST(RegFile, EveryByteSurvivesWritingAndReading)
{
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    struct Case
    {
        std::string name;
        std::string data;
        std::string line; // as written, when the exact form matters
    };
    const Case cases[] = {
        {"Path", "C:\\Temp\\\"x\"", R"("Path"="C:\\Temp\\\"x\"")"},
        {"Controls", "a\nb\rc\td\0e\x01\x1f\x7f"s, R"("Controls"="a\nb\rc\td\0e\x01\x1f\x7f")"},
        {"", "default", R"(@="default")"},
        {"Text", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\"Text\"=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
        {"Broken", "\xC3 \xE0\x80\x80 \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82\n \xF0\x9F\x98\t",
         R"("Broken"="\xc3 \xe0\x80\x80 \xed\xa0\x80 \xf4\x90\x80\x80 \xe2\x82\n \xf0\x9f\x98\t")"},
        {"Every byte", everyByte, ""},
        {"odd\0\"name\\\n"s, "x", R"("odd\0\"name\\\n"="x")"},
        {"Backslash at end", "\\", R"("Backslash at end"="\\")"},
    };
    RegFile file;
    ASSERT_EQ(file.createKey("HKEY_LOCAL_MACHINE\\K"), RegFile::Change::Changed);
    for (const Case& c : cases)
        ASSERT_EQ(file.setString("HKEY_LOCAL_MACHINE\\K", c.name, c.data), RegFile::Change::Changed);
    const std::string written = file.serialize();
    for (const char c : written)
        ASSERT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << "the file stays text";

    const RegFile back = parsed(written);
    for (const Case& c : cases) {
        EXPECT_EQ(text(back, "hkey_local_machine\\k", c.name), c.data) << testing::PrintToString(c.name);
        if (!c.line.empty()) {
            EXPECT_NE(written.find("\n" + c.line + "\n"), std::string::npos) << c.line << "\nin\n" << written;
        }
    }
    EXPECT_EQ(back.serialize(), written);
}

TEST(RegFile, ReadsOtherProgramsExports)
{
    const std::string memKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
    const std::string audio = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
                              "NT\\CurrentVersion\\Multimedia\\SystemProfile\\Tasks";
    const std::string gadget =
        "HKEY_CURRENT_USER\\Software\\Microsoft\\SideShow\\Gadgets\\{00BA1AD8-5381-449b-9A13-551FA4ADE0F2}";
    struct Case
    {
        std::string file, key, name;
        std::optional<std::string> text; // the string value, nothing for other types
        std::string verbatim;            // what a value of another type holds
    };
    const Case cases[] = {
        {"debloat-add-runas-powershell-escapes.reg",
         "HKEY_CLASSES_ROOT\\Microsoft.PowerShellScript.1\\Shell\\RunAs\\Command", "",
         "\"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe\" \"%1\"", ""},
        {"debloat-disable-telemetry-utf16le.reg",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows\\DataCollection", "AllowTelemetry",
         std::nullopt, "dword:00000000"},
        {"debloat-lower-ram-usage.reg", audio + "\\Audio", "scheduling category", "Medium", ""},
        {"debloat-lower-ram-usage.reg", audio.substr(0, audio.size() - 6), "NetworkThrottlingIndex",
         std::nullopt, "dword:0ffffffff"},
        {"mswin-samples-appmem-regedit4-ctrlz.reg", memKey + "EventLog\\Application\\AppMem",
         "EventMessageFile", "%systemroot%\\system32\\appmem.dll", ""},
        {"mswin-samples-sideshow-hex2-hex7.reg", gadget, "Endpoints", std::nullopt,
         "hex(7):7b,00,41,00,39,00,41,00,35,00,33,00,35,00,33,00,46,00,2d,00,\\\n"
         "  32,00,44,00,34,00,42,00,2d,00,34,00,37,00,63,00,65,00,2d,00,39,00,33,00,45,\\\n"
         "  00,45,00,2d,00,37,00,35,00,39,00,46,00,33,00,41,00,37,00,44,00,44,00,41,00,\\\n"
         "  34,00,46,00,7d,00,00,00,00,00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.name);
        const RegFile file = parsed(dataFile(c.file));
        EXPECT_EQ(text(file, c.key, c.name), c.text);
        const RegFile::Value* value = file.findValue(c.key, c.name);
        ASSERT_NE(value, nullptr);
        if (!c.text) {
            EXPECT_EQ(value->data, c.verbatim);
        }

        // Written out, the file reads back the same and writing it again changes nothing.
        const std::string once = file.serialize();
        const RegFile again = parsed(once);
        EXPECT_EQ(again.serialize(), once);
        if (!c.text) {
            EXPECT_NE(once.find(c.verbatim), std::string::npos) << "kept verbatim";
        }
    }

    const RegFile ram = parsed(dataFile("debloat-lower-ram-usage.reg"));
    EXPECT_TRUE(ram.keyExists(audio)) << "a key with no values";
    EXPECT_EQ(ram.header(), RegFile::Header::Version5);
    EXPECT_NE(ram.serialize().find("; lowers ram usage"), std::string::npos) << "comments are kept";
    EXPECT_EQ(parsed(dataFile("mswin-samples-appmem-regedit4-ctrlz.reg")).header(),
              RegFile::Header::Regedit4);
    const RegFile removal = parsed(dataFile("debloat-remove-runas-powershell-keydelete.reg"));
    EXPECT_EQ(removal.keyCount(), 0u);
    EXPECT_EQ(removal.serialize(), "Windows Registry Editor Version 5.00\n") << "deletions are not kept";
}

TEST(RegFile, AcceptsHandEditedFiles)
{
    struct Case
    {
        const char* what;
        std::string file;
        const char* key;
        const char* name;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"CRLF", "REGEDIT4\r\n\r\n[K]\r\n\"x\"=\"1\"\r\n", "K", "x", "1"},
        {"blanks", "\n  regedit4  \n  [K]  \n\t\"x\" =\t\"1\"  \n", "K", "x", "1"},
        {"comment before the header", "; mine\nREGEDIT4\n[K]\n\"x\"=\"1\"\n", "K", "x", "1"},
        {"UTF-8 mark", "\xEF\xBB\xBFREGEDIT4\n[K]\n\"x\"=\"1\"", "K", "x", "1"},
        {"Ctrl-Z, then a line end", "REGEDIT4\n[K]\n\"x\"=\"1\"\n\x1A\r\n", "K", "x", "1"},
        {"later line wins", "REGEDIT4\n[K]\n\"x\"=\"1\"\n[k]\n\"X\"=\"2\"\n", "K", "x", "2"},
        {"value deletion", "REGEDIT4\n[K]\n\"x\"=\"1\"\n\"x\"=-\n", "K", "x", std::nullopt},
        {"key deletion takes the keys below", "REGEDIT4\n[K\\A\\B]\n\"x\"=\"1\"\n[-K\\A]\n[K\\C]\n",
         "K\\A\\B", "x", std::nullopt},
        {"key made again after deletion", "REGEDIT4\n[K]\n\"x\"=\"1\"\n[-K]\n;gone\n[K]\n\"y\"=\"2\"\n", "K",
         "x", std::nullopt},
        {"odd line passed over", "REGEDIT4\n[K]\nfoo = bar\n\"x\"=\"1\"\n", "K", "x", "1"},
        {"unknown escape is no string", "REGEDIT4\n[K]\n\"x\"=\"C:\\Temp\"\n", "K", "x", std::nullopt},
        {"text after the closing quote", "REGEDIT4\n[K]\n\"x\"=\"1\" ; one\n", "K", "x", std::nullopt},
        {"hex escapes in either case", "REGEDIT4\n[K]\n\"x\"=\"\\x4A\\x4b\"\n", "K", "x", "JK"},
        {"character escapes", "REGEDIT4\n[K]\n\"x\"=\"\\u0085\\u202E\\u00e9\"\n", "K", "x",
         "\xC2\x85\xE2\x80\xAE\xC3\xA9"},
        {"an escaped surrogate is no string", "REGEDIT4\n[K]\n\"x\"=\"\\uD800\"\n", "K", "x", std::nullopt},
        {"raw bytes", "REGEDIT4\n[K]\n\"x\"=\"a\tb\xFF\"\n", "K", "x", "a\tb\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RegFile file = parsed(c.file);
        EXPECT_EQ(text(file, c.key, c.name), c.value);
        EXPECT_EQ(parsed(file.serialize()).serialize(), file.serialize());
    }

    const RegFile odd = parsed("REGEDIT4\n; top\n[K]\nfoo = bar\n\"h\"=hex:01,\\\n\n  02\n");
    EXPECT_EQ(odd.serialize(), "REGEDIT4\n\n; top\n\n[K]\nfoo = bar\n\"h\"=hex:01,\\\n\n  02\n")
        << "unknown lines stay where they were, not joined to a value left hanging";
    const RegFile nested = parsed("REGEDIT4\n[K\\A\\B]\n");
    EXPECT_TRUE(nested.keyExists("k\\a"));
    EXPECT_FALSE(nested.keyExists("K\\A\\"));
    EXPECT_FALSE(nested.keyExists("K\\AB"));
}

TEST(RegFile, RefusesWhatItCannotReadSafely)
{
    const struct
    {
        const char* what;
        std::string file;
    } cases[] = {
        {"empty", ""},
        {"no header", "[K]\n\"x\"=\"1\"\n"},
        {"other text", "this is not a settings file\n"},
        {"NUL byte", "REGEDIT4\n[K]\n\"x\"=\"1\0\"\n"s},
        {"binary", "REGEDIT4\n\x01\x02\x03\n"},
        {"text after Ctrl-Z", "REGEDIT4\n\x1A[K]\n"},
        {"incomplete key line", "REGEDIT4\n[K\n\"x\"=\"1\"\n"},
        {"empty key line", "REGEDIT4\n[]\n"},
        {"value under a deleted key", "REGEDIT4\n[-K]\n\"x\"=\"1\"\n"},
        {"odd UTF-16", "\xFF\xFE\x52\x00\x45"},
        {"lone surrogate", "\xFF\xFE\x00\xD8\x52\x00"s},
        {"too large", "REGEDIT4\n" + std::string(RegFile::kMaxFileSize, ';')},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(RegFile::parse(c.file).ok()) << c.what;
}

} // namespace
} // namespace dustrel::posix
