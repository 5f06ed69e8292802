#include "settings/Parameters.h"

#include "base/Text.h"
#include "settings/RegistryAccess.h"
#include "state/ProgramState.h"
#include "support/Fakes.h"
#include "support/HeadlessWindowHost.h"

#include <gtest/gtest.h>

namespace dustrel {
namespace {

using test::FakePlatform;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

// A store that takes every write and then loses them all when the batch is committed, as a full disk does.
struct FailingRegistry : test::FakeRegistry
{
    Result<void> commitBatch() override { return Error{28, "No space left on device", "/cfg/HKLM.reg"}; }
};

class Parameters : public ::testing::Test
{
protected:
    Parameters()
    {
        state.NEWLINE = "\n\r";
        state.TMP_FILE = "/tmp/~DF1.TMP";
        state.DIRECTORIES = {"/tmp", "/home/u/Recent", "", "", "/home/u/.cache/x"};
        for (char letter : {'C', 'D', 'E'})
            state.choices.addDrive(
                DriveEntry{letter, false, "", {}, std::string("/") + asciiLower(letter) + "/"});
        state.DRIVES_NB = 3;
        set("Drives", "111"); // makes the key too
    }

    void set(std::string_view name, std::string_view value)
    {
        fake.registry.put(HKLM, kSettingsKey, name, value);
    }
    std::string get(std::string_view name)
    {
        return fake.registry.get(HKLM, kSettingsKey, name).value_or("<none>");
    }
    ParametersReport load() { return LoadParameters(state, access, window); }

    static std::string digits(const auto& boxes)
    {
        std::string out;
        for (const auto& box : boxes) {
            if constexpr (requires { box.box; })
                out += checkStateDigit(box.box.state);
            else
                out += checkStateDigit(box.state);
        }
        return out;
    }

    FakePlatform fake;
    RegistryAccess access{fake.registry, fake.messageBoxes};
    HeadlessWindowHost window;
    ProgramState state;
};

TEST_F(Parameters, CheckStatesLoadCharacterByCharacterAndBadCharactersGiveDefaults)
{
    const struct
    {
        const char *typeOfFiles, *drives, *directories, *expectedFiles, *expectedDrives, *expectedDirs;
    } cases[] = {
        {"1000000000000000001", "111", "11111", "1000000000000000001", "111", "11001"},
        // Extra characters are ignored; a drive added since the last save comes up ticked.
        {"1111111111111111111000", "10", "2", "1111111111111111111", "101", "20000"},
        // A bad or missing character: a clear file box, a ticked drive.
        {"12x", "0x", "x1", "1200000000000000000", "011", "01000"},
        {"", "", "", "0000000000000000000", "111", "00000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typeOfFiles);
        set("TypeOfFiles", c.typeOfFiles);
        set("Drives", c.drives);
        set("Directories", c.directories);
        window.setCommandEnabled(Command::Search, false);
        load();
        EXPECT_EQ(digits(state.choices.files()), c.expectedFiles);
        EXPECT_EQ(digits(state.choices.drives()), c.expectedDrives);
        EXPECT_EQ(digits(state.choices.dirs()), c.expectedDirs);
        EXPECT_TRUE(window.button(Command::Search).enabled);
    }
    // A special folder that was not found cannot be ticked, whatever was saved.
    EXPECT_FALSE(state.choices.dirs()[2].enabled);
    EXPECT_EQ(state.choices.dirs()[1].toolTip, "/home/u/Recent");
}

TEST_F(Parameters, TheTemporaryFolderKeepsRecentFilesUnlessTheSavedAgeIsZero)
{
    const struct
    {
        const char* saved; // nullptr: never saved, as by an older version
        long long hours;
    } cases[] = {{nullptr, 24}, {"0", 0}, {"1", 1}, {"-5", 24}, {"abc", 24}, {"99999999", 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved == nullptr ? "none" : c.saved);
        if (c.saved != nullptr)
            set("TempMinAge", c.saved);
        load();
        EXPECT_EQ(state.choices.tempMinAgeHours(), c.hours);
        const std::string kept = "\nFiles modified, changed or read in the last " + std::to_string(c.hours) +
                                 (c.hours == 1 ? " hour" : " hours") + " are kept.";
        EXPECT_EQ(state.choices.dirs()[0].toolTip, c.hours == 0 ? "/tmp" : "/tmp" + kept);
    }
}

TEST_F(Parameters, CountsReadAsPeopleWriteThemAndAnUnreadableOneIsToldNotTakenForZero)
{
    set("Ignore1", "/a/X.TMP");
    set("Ignore2", "/b/" + std::string(300, 'y')); // longer than a short read buffer
    set("Custom1", "*.XYZ");
    set("Custom2", "*.ZZZ");
    const struct
    {
        const char* count;
        std::size_t expected;
        bool told;
    } cases[] = {{"2", 2, false},
                 {"0", 0, false},
                 {" 2", 2, false},
                 {"+2 ", 2, false},
                 // Unreadable, or naming a missing entry: the entries there are kept, and it is told.
                 {"-1", 2, true},
                 {"abc", 2, true},
                 {"99999999999", 2, true},
                 {"", 2, true},
                 {"3", 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        set("IgnoreNb", c.count);
        set("CustomNb", c.count);
        const ParametersReport report = load();
        EXPECT_EQ(state.IGN_TBL.count(), c.expected);
        EXPECT_EQ(state.IGN_TBL.slot(0), state.TMP_FILE);
        EXPECT_EQ(state.CSTM_TBL.count(), c.expected);
        EXPECT_EQ(report.problems.size(), c.told ? 2u : 0u);
    }
    EXPECT_EQ(state.IGN_TBL.slot(2).size(), 303u);
    EXPECT_EQ(state.CSTM_TBL.slot(1), "*.ZZZ");

    for (auto [text, expected] : {std::pair{"Yes", true}, {"yes", false}, {"YES", false}, {"", false}}) {
        set("LogFile", text);
        set("SaveParams", text);
        set("UseTrash", text);
        load();
        EXPECT_EQ(state.choices.optLog(), expected) << text;
        EXPECT_EQ(state.choices.optSave(), expected) << text;
        EXPECT_EQ(state.choices.optTrash(), expected) << text;
    }
}

TEST_F(Parameters, SaveWritesEveryChoiceAndLoadsBackTheSame)
{
    set("Ignore3", "/old/Z.TMP");
    set("Directories", "11111");
    set("Drives", "000");
    load();
    state.choices.setOptSave(false);
    fake.registry.writes = 0;
    SaveParameters(state, access, false);
    EXPECT_EQ(get("SaveParams"), "No");
    EXPECT_EQ(fake.registry.writes, 1) << "only SaveParams without `all`";

    state.choices.setFileState(0, CheckState::Ticked);
    state.choices.setFileState(18, CheckState::Greyed);
    state.choices.setDriveState(1, CheckState::Ticked);
    state.choices.setOptLog(true);
    state.choices.setOptSave(true);
    state.choices.setOptTrash(true);
    state.IGN_TBL.setEntries({"/a/X.TMP", "/b/Y.TMP"});
    state.CSTM_TBL.setPatterns({"*.XYZ"});
    SaveParameters(state, access, true);
    const std::pair<const char*, const char*> saved[] = {
        {"SaveParams", "Yes"},   {"TypeOfFiles", "1000000000000000002"},
        {"Drives", "010"},       {"Directories", "11111"}, // folders not found keep their saved ticks
        {"IgnoreNb", "2"},       {"Ignore1", "/a/X.TMP"},
        {"Ignore2", "/b/Y.TMP"}, {"Ignore3", "/old/Z.TMP"},
        {"CustomNb", "1"},       {"Custom1", "*.XYZ"},
        {"LogFile", "Yes"},      {"UseTrash", "Yes"}};
    for (auto [name, value] : saved)
        EXPECT_EQ(get(name), value) << name;
    EXPECT_TRUE(fake.messageBoxes.shown.empty());

    state.IGN_TBL.setEntries({});
    state.CSTM_TBL.setPatterns({});
    state.choices.setFileState(18, CheckState::Clear);
    load();
    EXPECT_EQ(state.IGN_TBL.entries(), (std::vector<std::string>{"/a/X.TMP", "/b/Y.TMP"}));
    EXPECT_EQ(state.CSTM_TBL.patterns(), std::vector<std::string>{"*.XYZ"});
    EXPECT_EQ(state.choices.files()[18].state, CheckState::Greyed);
}

TEST_F(Parameters, DriveTicksFollowTheirRootsAndNewDrivesAreMarked)
{
    // The drives now are /c/, /d/, /e/.
    const struct
    {
        const char *drives, *roots, *expected;
        std::vector<std::size_t> newDrives;
        bool told;
    } cases[] = {
        // Without roots (older settings) ticks are read by position, and it is told when the count differs.
        {"010", nullptr, "010", {}, false},
        {"01", nullptr, "011", {}, true},
        {"100", "/c/\n/d/\n/e/", "100", {}, false},
        // /b/ went and /e/ came: ticks follow their drives, /e/ is new.
        {"1010", "/b/\n/c/\n/d/\n/x/", "011", {2}, false},
        {"10", "/e/\n/c/", "011", {1}, false},
        {"01", "/c/", "011", {}, true}, // one root for two digits cannot be matched either
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drives);
        set("Drives", c.drives);
        if (c.roots != nullptr)
            set("DriveRoots", c.roots);
        const ParametersReport report = load();
        EXPECT_EQ(digits(state.choices.drives()), c.expected);
        EXPECT_EQ(report.newDrives, c.newDrives);
        EXPECT_EQ(report.problems.size(), c.told ? 1u : 0u);
    }

    // A drive that is not there keeps its saved tick, after the present ones.
    set("Drives", "0110");
    set("DriveRoots", "/c/\n/gone/\n/d/\n/e/");
    load();
    SaveParameters(state, access, true);
    EXPECT_EQ(get("Drives"), "0101");
    EXPECT_EQ(get("DriveRoots"), "/c/\n/d/\n/e/\n/gone/");
}

TEST(InitRegistry, AndSaveSayWhenTheStoreLosesTheWrites)
{
    FakePlatform fake;
    FailingRegistry failing;
    const Platform& p = fake.platform;
    Platform failingPlatform{failing,       p.fileSystem, p.drives,    p.folders,   p.messageBoxes,
                             p.clock,       p.locale,     p.processes, p.pathRules, p.installedSoftware,
                             p.repositories};
    ProgramState state;
    state.NEWLINE = "\n\r";
    EXPECT_EQ(InitRegistry(state, failingPlatform), 1);
    RegistryAccess access(failing, fake.messageBoxes);
    SaveParameters(state, access, true);

    ASSERT_EQ(fake.messageBoxes.shown.size(), 2u);
    EXPECT_EQ(fake.messageBoxes.shown[0].text,
              "The default parameters could not be written.\n\r/cfg/HKLM.reg: No space left on device");
    EXPECT_EQ(fake.messageBoxes.shown[1].text,
              "The parameters could not be saved.\n\r/cfg/HKLM.reg: No space left on device");
    for (const Message& message : fake.messageBoxes.shown)
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
}

TEST(RegistryAccess, ReadsCutAtZeroAndRefuseLongValuesAndWritesNeedTheKey)
{
    FakePlatform fake;
    RegistryAccess access(fake.registry, fake.messageBoxes);
    fake.registry.put(HKLM, "K", "zero", std::string("ab\0cd", 5));
    fake.registry.put(HKLM, "K", "max", std::string(kRegistryReadLimit, 'x'));
    fake.registry.put(HKLM, "K", "over", std::string(kRegistryReadLimit + 1, 'x'));
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "zero"), "ab");
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "max").size(), kRegistryReadLimit);
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "over"), "");
    EXPECT_TRUE(access.valueTooLong(HKLM, "K", "over"));
    EXPECT_FALSE(access.valueTooLong(HKLM, "K", "missing"));
    EXPECT_EQ(access.ReadRegString(HKLM, "K", "missing"), "");
    EXPECT_TRUE(fake.messageBoxes.shown.empty());

    access.WriteRegString(HKLM, "A\\B", "one", "1");
    access.WriteRegString(HKLM, "A\\B", "two", "2");
    ASSERT_EQ(fake.messageBoxes.shown.size(), 2u) << "one message per value";
    EXPECT_EQ(fake.messageBoxes.shown[0].text, "Inexisting key.");
    EXPECT_EQ(fake.messageBoxes.shown[0].title, "Registry error");
    EXPECT_EQ(fake.messageBoxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_FALSE(fake.registry.keyExists(HKLM, "A\\B"));
}

} // namespace
} // namespace dustrel
