#include "settings/Parameters.h"

#include "settings/RegistryAccess.h"
#include "state/HeadlessWindowHost.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using test::FakePlatform;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

class Parameters : public ::testing::Test
{
protected:
    Parameters()
    {
        state.NEWLINE = "\n\r";
        state.TMP_FILE = "/tmp/~DF1.TMP";
        state.DIRECTORIES = {"/tmp", "/home/u/Recent", "", "", "/home/u/.cache/x"};
        for (char letter : {'C', 'D', 'E'}) {
            DriveEntry entry;
            entry.letter = letter;
            state.choices.addDrive(entry);
        }
        state.DRIVES_NB = 3;
        fake.registry.createKey(HKLM, kSettingsKey);
    }

    void set(std::string_view name, std::string_view value) { fake.registry.put(HKLM, kSettingsKey, name, value); }
    std::string get(std::string_view name) { return fake.registry.get(HKLM, kSettingsKey, name).value_or("<none>"); }
    void load() { LoadParameters(state, access, window); }

    std::string fileStates() const
    {
        std::string out;
        for (const auto& box : state.choices.files())
            out += checkStateDigit(box.state);
        return out;
    }
    std::string driveStates() const
    {
        std::string out;
        for (const auto& drive : state.choices.drives())
            out += checkStateDigit(drive.box.state);
        return out;
    }

    FakePlatform fake;
    RegistryAccess access{fake.registry, fake.messageBoxes};
    HeadlessWindowHost window;
    ProgramState state;
};

TEST_F(Parameters, CheckStatesLoadCharacterByCharacterAndBadCharactersGiveDefaults)
{
    struct Case
    {
        const char* typeOfFiles;
        const char* drives;
        const char* expectedFiles;
        const char* expectedDrives;
    };
    const Case cases[] = {
        {"1000000000000000001", "111", "1000000000000000001", "111"},
        {"1111111111111111111000", "10", "1111111111111111111", "101"}, // extra ignored; new drive ticked
        {"12x", "0x", "1200000000000000000", "011"},                     // bad or missing: clear / ticked
        {"", "", "0000000000000000000", "111"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typeOfFiles);
        set("TypeOfFiles", c.typeOfFiles);
        set("Drives", c.drives);
        load();
        EXPECT_EQ(fileStates(), c.expectedFiles);
        EXPECT_EQ(driveStates(), c.expectedDrives);
    }
    EXPECT_TRUE(window.button(Command::Search).enabled);
}

TEST_F(Parameters, MissingSpecialFolderIsDisabledAndSavedClear)
{
    set("Directories", "11111");
    load();
    const auto& dirs = state.choices.dirs();
    EXPECT_TRUE(dirs[0].ticked());
    EXPECT_EQ(dirs[0].toolTip, "/tmp");
    EXPECT_FALSE(dirs[2].enabled);
    EXPECT_FALSE(dirs[2].ticked());
    state.choices.setOptSave(true);
    SaveParameters(state, access, true);
    EXPECT_EQ(get("Directories"), "11001");
}

TEST_F(Parameters, ListsLoadFromCountsAndUnreadableCountsGiveEmptyTables)
{
    struct Case
    {
        const char* count;
        std::size_t expected;
    };
    const Case cases[] = {{"2", 2}, {"0", 0}, {"-1", 0}, {"abc", 0}, {"99999999999", 0}, {"", 0}, {"3", 3}};
    set("Ignore1", "/a/X.TMP");
    set("Ignore2", "/b/Y.TMP");
    set("Custom1", "*.XYZ");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        set("IgnoreNb", c.count);
        set("CustomNb", c.count);
        load();
        EXPECT_EQ(state.IGN_TBL.count(), c.expected);
        EXPECT_EQ(state.IGN_TBL.slot(0), state.TMP_FILE);
        EXPECT_EQ(state.IGN_TBL.slot(c.expected + 1), "");
        EXPECT_EQ(state.CSTM_TBL.count(), c.expected);
    }
    // The third value is missing: an empty entry stands in its slot.
    EXPECT_EQ(state.IGN_TBL.slot(3), "");
    EXPECT_EQ(state.CSTM_TBL.slot(0), "*.XYZ");
}

TEST_F(Parameters, OptionsAreYesOnlyWhenExactlyYes)
{
    for (auto [text, expected] : {std::pair{"Yes", true}, {"yes", false}, {"YES", false}, {"", false}}) {
        set("LogFile", text);
        set("SaveParams", text);
        load();
        EXPECT_EQ(state.choices.optLog(), expected) << text;
        EXPECT_EQ(state.choices.optSave(), expected) << text;
    }
}

TEST_F(Parameters, SaveWithOptionClearWritesOnlySaveParams)
{
    set("TypeOfFiles", "1111111111111111111");
    state.choices.setOptSave(false);
    SaveParameters(state, access, false);
    EXPECT_EQ(get("SaveParams"), "No");
    EXPECT_EQ(get("TypeOfFiles"), "1111111111111111111");
    EXPECT_EQ(fake.registry.writes, 1);
}

TEST_F(Parameters, SaveWritesEveryChoiceAndLeavesOldNumberedValues)
{
    set("Ignore3", "/old/Z.TMP");
    state.choices.setFileState(0, CheckState::Ticked);
    state.choices.setFileState(18, CheckState::Greyed);
    state.choices.setDriveState(1, CheckState::Ticked);
    state.choices.setOptLog(true);
    state.choices.setOptSave(true);
    state.IGN_TBL.reset(state.TMP_FILE);
    state.IGN_TBL.setEntries({"/a/X.TMP", "/b/Y.TMP"});
    state.CSTM_TBL.setPatterns({"*.XYZ"});
    SaveParameters(state, access, true);

    EXPECT_EQ(get("SaveParams"), "Yes");
    EXPECT_EQ(get("TypeOfFiles"), "1000000000000000002");
    EXPECT_EQ(get("Drives"), "010");
    EXPECT_EQ(get("IgnoreNb"), "2");
    EXPECT_EQ(get("Ignore1"), "/a/X.TMP");
    EXPECT_EQ(get("Ignore2"), "/b/Y.TMP");
    EXPECT_EQ(get("Ignore3"), "/old/Z.TMP");
    EXPECT_EQ(get("CustomNb"), "1");
    EXPECT_EQ(get("Custom1"), "*.XYZ");
    EXPECT_EQ(get("LogFile"), "Yes");
    EXPECT_TRUE(fake.messageBoxes.shown.empty());

    // What was saved loads back the same.
    ProgramState again;
    again.TMP_FILE = state.TMP_FILE;
    again.DIRECTORIES = state.DIRECTORIES;
    for (const auto& drive : state.choices.drives())
        again.choices.addDrive(DriveEntry{drive.letter, false, "", {}});
    again.DRIVES_NB = 3;
    LoadParameters(again, access, window);
    EXPECT_EQ(again.IGN_TBL.entries(), state.IGN_TBL.entries());
    EXPECT_EQ(again.CSTM_TBL.patterns(), state.CSTM_TBL.patterns());
    EXPECT_EQ(again.choices.files()[18].state, CheckState::Greyed);
}

TEST(RegistryAccess, ReadsCutAtZeroAndRefuseLongValuesAndWritesNeedTheKey)
{
    FakePlatform fake;
    RegistryAccess access(fake.registry, fake.messageBoxes);
    fake.registry.put(HKLM, "K", "zero", std::string("ab\0cd", 5));
    fake.registry.put(HKLM, "K", "max", std::string(255, 'x'));
    fake.registry.put(HKLM, "K", "over", std::string(256, 'x'));
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "zero"), "ab");
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "max").size(), 255u);
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "over"), "");
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "missing"), "");
    EXPECT_EQ(access.ReadRegString(HKLM, "Nope", "x"), "");
    EXPECT_TRUE(fake.messageBoxes.shown.empty());

    access.WriteRegString(HKLM, "A\\B", "one", "1");
    access.WriteRegString(HKLM, "A\\B", "two", "2");
    ASSERT_EQ(fake.messageBoxes.shown.size(), 2u) << "one message per value";
    EXPECT_EQ(fake.messageBoxes.shown[0].text, "Inexisting key.");
    EXPECT_EQ(fake.messageBoxes.shown[0].title, "Registry error");
    EXPECT_EQ(fake.messageBoxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(fake.registry.keyExists(HKLM, "A\\B"));

    access.MakeRegistryKey(HKLM, "A\\B");
    access.WriteRegString(HKLM, "a\\b", "one", "1");
    EXPECT_EQ(access.ReadRegString(HKLM, "A\\B", "ONE"), "1");
    EXPECT_EQ(LengthToNull(std::string("abc", 3)), 3u);
}

} // namespace
} // namespace dustrel
