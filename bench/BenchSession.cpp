#include "BenchSession.h"

#include "state/FileTypes.h"

namespace dustrel::bench {

BenchSession::BenchSession(std::string root)
    : m_drives(std::move(root)), m_platform{m_registry,         m_fileSystem, m_drives,      m_folders,
                                            m_messageBoxes,     m_clock,      m_locale,      m_processes,
                                            PathRules::posix(), m_packages,   m_repositories}
{
    // Whole strings rather than literals: g++ 12 at -O2 warns falsely (-Wrestrict) about assigning these
    // short literals, which would stop a build that treats warnings as errors.
    state.NEWLINE = std::string("\n\r");
    state.TAB_CHAR = std::string("\t");
    InitFileTypes(state);
    for (std::size_t i = 0; i < kFileTypeCount; ++i)
        state.choices.setFileState(i, CheckState::Ticked);

    DriveEntry drive;
    drive.letter = 'C';
    drive.box.caption = "Drive C:";
    drive.box.state = CheckState::Ticked;
    state.choices.addDrive(drive);
    state.DRIVES_NB = 1;

    // A user's usual handful of ignored files, none of them in the tree: every matching file is looked up.
    state.IGN_TBL.reset(m_folders.tempPath() + "~DF1A2B.TMP");
    std::vector<std::string> ignored;
    for (int i = 0; i < 12; ++i)
        ignored.push_back("/home/user/keep/" + std::to_string(i) + "/important.bak");
    state.IGN_TBL.setEntries(std::move(ignored));
}

} // namespace dustrel::bench
