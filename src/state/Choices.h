#pragma once

#include "state/FileTypes.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace dustrel {

enum class CheckState : int
{
    Clear = 0,
    Ticked = 1,
    Greyed = 2,
};

// "0", "1" or "2" as a state; nothing for any other character.
std::optional<CheckState> checkStateFromDigit(char digit);
char checkStateDigit(CheckState state);

struct CheckBox
{
    CheckState state = CheckState::Clear;
    bool enabled = true;
    bool visible = true;
    std::string caption;
    std::string toolTip;

    bool ticked() const { return state == CheckState::Ticked; }
};

// One hard drive the user may search: its check box is captioned "Drive X:" (plus " [Network drive]"),
// so the letter is the seventh character; the tool tip is the drive's description with its sizes.
struct DriveEntry
{
    char letter = 0;
    bool network = false;
    std::string description;
    CheckBox box;
    // The folder its walk starts from: what a saved tick belongs to, since letters shift when a drive
    // comes or goes.
    std::string root;
    // It did not answer at start (a share whose server is gone): its size is unknown and a run without a
    // user leaves it alone, since its walk would wait for ever.
    bool unreachable = false;
};

// Hours a file of the temporary folder must have been left alone before it counts as rubbish: the
// running session keeps its live files there (sockets' locks, credentials, downloads under way).
constexpr long long kDefaultTempMinAgeHours = 24;

class ChoicesObserver
{
public:
    virtual ~ChoicesObserver() = default;
    virtual void choicesChanged() = 0;
};

// What the user has chosen: the file-type, special-folder and drive check boxes and the options.
// The window shows and edits these; the search, the deletion and the saved parameters read them.
class Choices
{
public:
    Choices();

    const std::array<CheckBox, kFileTypeCount>& files() const { return m_files; }
    const std::array<CheckBox, kSpecialFolderCount>& dirs() const { return m_dirs; }
    const std::vector<DriveEntry>& drives() const { return m_drives; }
    bool optLog() const { return m_optLog; }
    bool optSave() const { return m_optSave; }
    // Whether a deletion moves the files to the trash instead of deleting them.
    bool optTrash() const { return m_optTrash; }
    // A file of the temporary folder modified, changed or read fewer hours ago stays; 0: none stays.
    long long tempMinAgeHours() const { return m_tempMinAgeHours; }

    void setFileState(std::size_t index, CheckState state);
    void setDirState(std::size_t index, CheckState state);
    void setDirEnabled(std::size_t index, bool enabled);
    void setDirToolTip(std::size_t index, std::string toolTip);
    void setDriveState(std::size_t index, CheckState state);
    void addDrive(DriveEntry entry);
    void setOptLog(bool on);
    void setOptSave(bool on);
    void setOptTrash(bool on);
    void setTempMinAgeHours(long long hours) { m_tempMinAgeHours = hours; }

    void setObserver(ChoicesObserver* observer) { m_observer = observer; }

private:
    void changed();

    std::array<CheckBox, kFileTypeCount> m_files;
    std::array<CheckBox, kSpecialFolderCount> m_dirs;
    std::vector<DriveEntry> m_drives;
    bool m_optLog = false;
    bool m_optSave = false;
    bool m_optTrash = false;
    long long m_tempMinAgeHours = kDefaultTempMinAgeHours;
    ChoicesObserver* m_observer = nullptr;
};

} // namespace dustrel
