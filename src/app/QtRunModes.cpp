#include "app/QtRunModes.h"

#include "app/QtMessageBoxes.h"
#include "base/Text.h"
#include "cleanup/RunReport.h"
#include "discovery/HardDrives.h"
#include "discovery/PublicVariables.h"
#include "platform/Platform.h"
#include "scan/SearchRun.h"
#include "settings/Parameters.h"
#include "settings/RegistryAccess.h"
#include "state/FileTypes.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"
#include "ui/about/About.h"
#include "ui/about/Splash.h"
#include "ui/common/ContextHelp.h"
#include "ui/common/EventLoop.h"
#include "ui/diagnostics/DebugFrm.h"
#include "ui/diagnostics/Spy_frm.h"
#include "ui/main/Menu.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <algorithm>

namespace dustrel {

namespace {

// How often a timed wait looks at the clock when no window event wakes it.
constexpr std::chrono::milliseconds kWaitTick{20};

// A run without a user leaves alone the drives nobody chose to clean: one that was not there when the
// choices were saved, and one that did not answer at start, whose walk would hold the run for ever.
void clearUnchosenDrives(Choices& choices, const ParametersReport& loaded)
{
    for (const std::size_t k : loaded.newDrives)
        choices.setDriveState(k, CheckState::Clear);
    for (std::size_t k = 0; k < choices.drives().size(); ++k) {
        if (choices.drives()[k].unreachable)
            choices.setDriveState(k, CheckState::Clear);
    }
}

} // namespace

QtRunModes::QtRunModes(ProgramState& state, Platform& platform, Options options)
    : m_state(state), m_platform(platform), m_options(options)
{
    // Every way out is explicit; a window closing is not one of them.
    QApplication::setQuitOnLastWindowClosed(false);
    m_waitTick.setInterval(kWaitTick);
    m_contextHelp =
        std::make_unique<ContextHelp>([this](int topic) { OpenHelpPage(m_state, m_platform, topic); });
    QApplication::instance()->installEventFilter(m_contextHelp.get());
    m_spy = std::make_unique<Spy_frm>(m_state.trace);
}

QtRunModes::~QtRunModes()
{
    QApplication::instance()->removeEventFilter(m_contextHelp.get());
    setMessageOwner(nullptr);
}

void QtRunModes::waitUntil(std::chrono::steady_clock::time_point start, std::chrono::seconds seconds)
{
    // The tick only wakes the loop so that the clock is read even when nothing else happens.
    m_waitTick.start();
    while (m_platform.clock.steadyNow() - start < seconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (m_waitHook)
            m_waitHook();
    }
    m_waitTick.stop();
}

void QtRunModes::setMessageOwner(QWidget* owner)
{
    if (m_options.qtMessageBoxes != nullptr)
        m_options.qtMessageBoxes->setParent(owner);
}

void QtRunModes::createMenu()
{
    m_menu = std::make_unique<Menu>(m_state, m_platform);
    m_menu->setAboutBox([this](QWidget& owner) {
        About about(m_state, m_platform.messageBoxes, &owner);
        about.exec();
    });
    m_menu->setEndProgram([this] { endProgram(); });
}

RunOutcome QtRunModes::SplashScreen(bool topmost)
{
    m_state.Trace(1, "");
    m_state.Trace(1, "Sub SplashScreen()");
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const auto start = m_platform.clock.steadyNow();

    m_splash = std::make_unique<Splash>();
    m_splash->setTopmost(topmost);
    m_splash->show();
    // A question during start-up belongs to the splash window: the main window is disabled then, and a
    // box of its own would be covered by the splash kept on top.
    setMessageOwner(m_splash.get());

    waitUntil(start, std::chrono::seconds(2));
    createMenu();
    m_menu->setEnabled(false);
    m_menu->show();

    waitUntil(start, std::chrono::seconds(4));
    InitFileTypes(m_state);
    GetHardDrives(m_state, m_platform.drives, m_platform.locale);
    InitPublicVariables(m_state, m_platform);
    m_parametersMissing = !ParametersSaved(m_platform);
    if (m_parametersMissing && m_options.writeDefaultsWhenMissing)
        writeDefaults();
    RegistryAccess registry(m_platform.registry, m_platform.messageBoxes);
    m_loaded = LoadParameters(m_state, registry, *m_menu);

    setMessageOwner(m_menu.get());
    m_splash->close();
    m_splash.reset();
    m_menu->setEnabled(true);
    m_menu->showMaximized();
    m_menu->repaint();
    QApplication::restoreOverrideCursor();
    // An unattended run refuses these itself; a user sees them before choosing to search.
    if (!m_loaded.problems.empty() && !m_options.unattended && !m_parametersMissing)
        m_platform.messageBoxes.show(Message{
            "Some saved parameters could not be read as they were saved:" + m_state.NEWLINE + problemLines() +
                m_state.NEWLINE + "Check the choices before searching.",
            std::string(kProgramTitle), MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
    m_state.Trace(1, "End Sub SplashScreen()");
    return RunOutcome::eventLoop();
}

RunOutcome QtRunModes::DebugMode()
{
    m_spy->show();
    GetHardDrives(m_state, m_platform.drives, m_platform.locale);
    InitPublicVariables(m_state, m_platform);
    const Result<std::string> eventsLog = GetEventsLogPath(m_platform, m_state.DTR_PATH, false);
    m_debug = std::make_unique<DebugFrm>(
        m_state, m_spy.get(), [this] { endProgram(); }, eventsLog ? *eventsLog : eventsLog.error().describe(),
        nullptr, [this] { return describeDatabases(m_platform.installedSoftware.ownedFiles({}).databases); });
    setMessageOwner(m_debug.get());
    m_debug->show();
    return RunOutcome::eventLoop();
}

void QtRunModes::writeDefaults()
{
    // A start from the desktop's menu may be in any folder; the help page is where the program was
    // installed. A program run where it was built has no such folder and keeps the current one.
    std::string folder = m_platform.folders.installedFolder();
    if (folder.empty())
        folder = m_platform.folders.currentDirectory();
    const Result<void> written = WriteDefaultParameters(m_state, m_platform, folder);
    if (written) {
        // Start-up read the installation folder before there was one: this run needs it too, for the
        // help page and the events log.
        m_state.DTR_PATH = folder;
        return;
    }
    m_platform.messageBoxes.show(programMessage("The default parameters could not be written." +
                                                    m_state.NEWLINE + written.error().describe(),
                                                MessageIcon::Exclamation));
}

std::optional<RunOutcome> QtRunModes::searchUnattended(MessageBoxes& refusals)
{
    if (m_parametersMissing) {
        refusals.show(programMessage(
            "No parameters have been saved yet, so nothing has been chosen to clean." + m_state.NEWLINE +
                "Start Dustrel once to choose what to clean, or run it with /REGINIT.",
            MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    if (!m_loaded.problems.empty()) {
        refusals.show(programMessage("Nothing was cleaned: the saved parameters could not be read as they "
                                     "were saved." +
                                         m_state.NEWLINE + problemLines() + m_state.NEWLINE +
                                         "Start Dustrel to check the choices and save them again.",
                                     MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    if (!m_loaded.catchAllPatterns.empty()) {
        std::string patterns;
        for (const std::string& pattern : m_loaded.catchAllPatterns) {
            patterns += "   ";
            appendEscaped(patterns, pattern);
            patterns += m_state.NEWLINE;
        }
        refusals.show(programMessage(
            "Nothing was cleaned: every file name matches these saved custom types of files, so every file "
            "of the chosen drives would be deleted:" +
                m_state.NEWLINE + patterns + "Start Dustrel to remove them and save the choices again.",
            MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    clearUnchosenDrives(m_state.choices, m_loaded);
    const Result<void> searched = m_menu->search();
    // The user may have quit from the main window while the search ran: then nothing is deleted.
    if (m_ended)
        return RunOutcome::end(0);
    // Told where a run without a user is read, as the deletion's own problems are.
    StreamMessageBoxes problems(stderr);
    if (!searched) {
        problems.show(programMessage(searched.error().message, MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    // Cleaning part of the machine would look like a clean pass: the run fails and says why.
    if (const std::string incomplete = IncompleteSearchText(m_menu->context()); !incomplete.empty()) {
        problems.show(programMessage("Nothing was cleaned. " + incomplete, MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    return std::nullopt;
}

RunOutcome QtRunModes::AutoMode()
{
    if (std::optional<RunOutcome> refused = searchUnattended(m_platform.messageBoxes))
        return *refused;
    DeletionOptions options;
    options.openLogViewer = !m_options.headless;
    options.problems = stderr;
    const DeletionOutcome outcome = DeleteAsChosen(m_menu->context(), false, options);
    const bool cleaned = outcome.failures == 0 && outcome.inUseKnown;
    // The journal of a timer keeps what the pass did; a file that stayed is named with the reason.
    StreamMessageBoxes(stderr).show(
        programMessage(DeletionSummary(m_menu->context(), outcome),
                       cleaned ? MessageIcon::Information : MessageIcon::Exclamation));
    return RunOutcome::end(cleaned ? 0 : 1);
}

RunOutcome QtRunModes::ListMode()
{
    StreamMessageBoxes problems(stderr);
    if (std::optional<RunOutcome> refused = searchUnattended(problems))
        return *refused;
    if (const Result<void> written = WriteListing(m_menu->results(), stdout); !written) {
        problems.show(programMessage(written.error().message, MessageIcon::Exclamation));
        return RunOutcome::end(1);
    }
    // As the events log gives the total: the summary without its leading blanks.
    const std::string summary = SummaryText(m_menu->context());
    problems.show(
        programMessage(summary.substr(std::min<std::size_t>(3, summary.size())), MessageIcon::Information));
    return RunOutcome::end(0);
}

std::string QtRunModes::problemLines() const
{
    std::string lines;
    for (const std::string& problem : m_loaded.problems)
        lines += problem + m_state.NEWLINE;
    return lines;
}

void QtRunModes::endProgram()
{
    m_ended = true;
    if (m_endProgram) {
        m_endProgram();
        return;
    }
    endEventLoop();
}

} // namespace dustrel
