#include "state/Choices.h"

namespace dustrel {

std::optional<CheckState> checkStateFromDigit(char digit)
{
    switch (digit) {
    case '0':
        return CheckState::Clear;
    case '1':
        return CheckState::Ticked;
    case '2':
        return CheckState::Greyed;
    default:
        return std::nullopt;
    }
}

char checkStateDigit(CheckState state)
{
    return static_cast<char>('0' + static_cast<int>(state));
}

Choices::Choices()
{
    for (std::size_t i = 0; i < kFileTypeCount; ++i) {
        m_files[i].caption = std::string(kCleaningRules[i].label);
        m_files[i].toolTip = std::string(kCleaningRules[i].toolTip);
    }
    for (std::size_t i = 0; i < kSpecialFolderCount; ++i)
        m_dirs[i].caption = std::string(kSpecialFolderLabels[i]);
}

void Choices::setFileState(std::size_t index, CheckState state)
{
    if (index < m_files.size() && m_files[index].state != state) {
        m_files[index].state = state;
        changed();
    }
}

void Choices::setDirState(std::size_t index, CheckState state)
{
    if (index < m_dirs.size() && m_dirs[index].state != state) {
        m_dirs[index].state = state;
        changed();
    }
}

void Choices::setDirEnabled(std::size_t index, bool enabled)
{
    if (index < m_dirs.size() && m_dirs[index].enabled != enabled) {
        m_dirs[index].enabled = enabled;
        changed();
    }
}

void Choices::setDirToolTip(std::size_t index, std::string toolTip)
{
    if (index < m_dirs.size()) {
        m_dirs[index].toolTip = std::move(toolTip);
        changed();
    }
}

void Choices::setDriveState(std::size_t index, CheckState state)
{
    if (index < m_drives.size() && m_drives[index].box.state != state) {
        m_drives[index].box.state = state;
        changed();
    }
}

void Choices::addDrive(DriveEntry entry)
{
    m_drives.push_back(std::move(entry));
    changed();
}

void Choices::setOptLog(bool on)
{
    if (m_optLog != on) {
        m_optLog = on;
        changed();
    }
}

void Choices::setOptSave(bool on)
{
    if (m_optSave != on) {
        m_optSave = on;
        changed();
    }
}

void Choices::setOptTrash(bool on)
{
    if (m_optTrash != on) {
        m_optTrash = on;
        changed();
    }
}

void Choices::changed()
{
    if (m_observer != nullptr)
        m_observer->choicesChanged();
}

} // namespace dustrel
