// The executable: chooses how to show things, builds the platform and hands over to Main.

#include "app/Main.h"
#include "app/QtMessageBoxes.h"
#include "app/QtRunModes.h"
#include "platform/posix/PosixPlatform.h"
#include "platform/posix/io/DescriptorLimit.h"
#include "platform/posix/processes/RunLock.h"
#include "platform/posix/session/PosixSystemFolders.h"
#include "platform/posix/session/XdgPaths.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QGuiApplication>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

enum class DisplayKind
{
    Real,
    Offscreen, // asked for with QT_QPA_PLATFORM=offscreen
    None,
};

// Without a display the program runs on Qt's offscreen platform instead of refusing to start, and says
// what it would have shown on standard error, so that scripts and cron can use it.
DisplayKind chooseDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && std::string(platform) == "offscreen")
        return DisplayKind::Offscreen;
    auto named = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && value[0] != '\0';
    };
    // An empty DISPLAY, as `DISPLAY= dustrel /AUTO` leaves it, names no display.
    const bool hasDisplay = named("DISPLAY") || named("WAYLAND_DISPLAY");
    const bool platformChosen = platform != nullptr && platform[0] != '\0';
    if (!hasDisplay && !platformChosen) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return DisplayKind::None;
    }
    // A display that is named but cannot be opened (a stale DISPLAY in a cron, ssh or tmux environment)
    // would abort the program in Qt's start-up: offscreen is the last platform Qt tries, and main() tells
    // what happened from the platform Qt ended up on.
    std::string platforms;
    if (platformChosen) {
        platforms = platform;
    } else {
        const char* session = std::getenv("XDG_SESSION_TYPE");
        const bool wayland = session != nullptr && std::string(session) == "wayland";
        platforms = wayland ? "wayland;xcb" : "xcb;wayland";
    }
    if (platforms.find("offscreen") == std::string::npos)
        setenv("QT_QPA_PLATFORM", (platforms + ";offscreen").c_str(), 1);
    return DisplayKind::Real;
}

std::string environmentText(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr ? value : "";
}

// Scripts read what a headless run writes to standard error, so Qt's own notes (such as a missing
// runtime folder) are kept out of it; real errors still get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// The lock of an automatic run: in the settings folder, else in the runtime folder, else in the state
// folder. A second run on the same settings (cron starting the next pass while the last one still runs)
// ends at once rather than waiting, since waiting runs could pile up behind a slow one; and a run that can
// hold no lock refuses to run rather than clean beside another. Nothing when refused, which is told.
std::optional<dustrel::posix::RunLock> lockAutomaticRun(dustrel::MessageBoxes& messageBoxes)
{
    namespace posix = dustrel::posix;
    const std::string state = posix::PosixSystemFolders().userStateFolder();
    auto taken = posix::RunLock::take(posix::dustrelConfigFolder(),
                                      {posix::runtimeFolder(), state.empty() ? state : state + "/dustrel"});
    if (taken)
        return std::move(*taken);
    const dustrel::Error& error = taken.error();
    const std::string why =
        error.code == EWOULDBLOCK
            ? "Another automatic run is already cleaning with these settings."
            : "No lock could be taken to keep other automatic runs out (" + error.describe() + ").";
    messageBoxes.show(dustrel::Message{why + "\n\rThis one ends without searching or deleting anything.",
                                       std::string(dustrel::kProgramTitle), dustrel::MessageIcon::Exclamation,
                                       dustrel::MessageButtons::Ok, dustrel::MessageAnswer::Ok});
    return std::nullopt;
}

struct MessageBoxChoice
{
    std::unique_ptr<dustrel::MessageBoxes> boxes;
    dustrel::QtMessageBoxes* dialogs = nullptr; // when they are Qt dialogs
};

// Without a display, what would be shown goes to standard error.
MessageBoxChoice chooseMessageBoxes(bool headless)
{
    if (headless)
        return {std::make_unique<dustrel::StreamMessageBoxes>(stderr), nullptr};
    auto dialogs = std::make_unique<dustrel::QtMessageBoxes>();
    dustrel::QtMessageBoxes* qt = dialogs.get();
    return {std::move(dialogs), qt};
}

} // namespace

int main(int argc, char** argv)
{
    // Taken before Qt sees the command line, which it would otherwise edit.
    const dustrel::CommandLine commandLine = dustrel::CommandLine::fromArguments(argc, argv);
    // Before anything holds descriptors: a deep walk sizes its chain of folders from the limit.
    dustrel::posix::DescriptorLimit::raise();
    const DisplayKind display = chooseDisplay();
    if (display == DisplayKind::None && commandLine.needsSomebodyAtTheWindow()) {
        std::fprintf(stderr,
                     "%s\nThere is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not "
                     "set).\nWithout one, use /AUTO or /REGINIT.\n",
                     std::string(dustrel::kProgramTitle).c_str());
        return 1;
    }
    // Also for a named display until Qt has started: its note that the display could not be opened is
    // not for a script that reads standard error.
    qInstallMessageHandler(quietQtMessages);

    QApplication application(argc, argv);
    const bool displayLost =
        display == DisplayKind::Real && QGuiApplication::platformName() == QStringLiteral("offscreen");
    if (displayLost && commandLine.needsSomebodyAtTheWindow()) {
        std::fprintf(
            stderr,
            "%s\nThe display cannot be opened (DISPLAY=\"%s\", WAYLAND_DISPLAY=\"%s\").\nWithout one, "
            "use /AUTO or /REGINIT.\n",
            std::string(dustrel::kProgramTitle).c_str(), environmentText("DISPLAY").c_str(),
            environmentText("WAYLAND_DISPLAY").c_str());
        return 1;
    }
    const bool headless = display != DisplayKind::Real || displayLost;
    if (!headless)
        qInstallMessageHandler(nullptr);
    QApplication::setApplicationName(QStringLiteral("Dustrel"));
    QApplication::setApplicationVersion(QStringLiteral(DUSTREL_VERSION));

    const MessageBoxChoice messageBoxes = chooseMessageBoxes(headless);
    // The list of what the automatic pass would delete: its refusals, and nothing deleted, so no lock.
    const bool unattended = commandLine.unattended();
    std::optional<dustrel::posix::RunLock> runLock;
    if (commandLine.mode() == dustrel::CommandLine::Mode::Auto &&
        !(runLock = lockAutomaticRun(*messageBoxes.boxes)))
        return 1;

    dustrel::posix::PosixPlatform platform(*messageBoxes.boxes);
    dustrel::ProgramState state;
    dustrel::QtRunModes modes(state, platform.platform(),
                              {headless, messageBoxes.dialogs, !unattended, unattended});

    const dustrel::RunOutcome outcome = dustrel::Main(state, platform.platform(), commandLine, modes);
    if (outcome.next == dustrel::RunOutcome::Next::EndProgram)
        return outcome.exitCode;
    return QApplication::exec();
}
