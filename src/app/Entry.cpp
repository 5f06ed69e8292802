// The executable: chooses how to show things, builds the platform and hands over to Main.

#include "app/Main.h"

#include "app/QtMessageBoxes.h"
#include "app/QtRunModes.h"
#include "base/Text.h"
#include "platform/posix/PosixPlatform.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
    if (!hasDisplay && (platform == nullptr || platform[0] == '\0')) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return DisplayKind::None;
    }
    return DisplayKind::Real;
}

// The modes that only end when somebody closes a window: without a display nobody could, and the
// process would stay behind unseen.
bool needsSomebodyAtTheWindow(const std::string& argumentText)
{
    const std::string command = dustrel::toUpperAscii(argumentText);
    return command.empty() || command == "/NOSPLASH" || command == "/DEBUG";
}

// Scripts read what a headless run writes to standard error, so Qt's own notes (such as a missing
// runtime folder) are kept out of it; real errors still get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    // Taken before Qt sees the command line, which it would otherwise edit.
    const std::string argumentText = dustrel::ArgumentText(argc, argv);
    const DisplayKind display = chooseDisplay();
    const bool headless = display != DisplayKind::Real;
    if (display == DisplayKind::None && needsSomebodyAtTheWindow(argumentText)) {
        std::fprintf(stderr,
                     "%s\nThere is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not "
                     "set).\nWithout one, use /AUTO or /REGINIT.\n",
                     std::string(dustrel::kProgramTitle).c_str());
        return 1;
    }
    if (headless)
        qInstallMessageHandler(quietQtMessages);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dustrel"));
    QApplication::setApplicationVersion(QStringLiteral(DUSTREL_VERSION));

    std::unique_ptr<dustrel::MessageBoxes> messageBoxes;
    dustrel::QtMessageBoxes* qtMessageBoxes = nullptr;
    if (headless) {
        messageBoxes = std::make_unique<dustrel::StreamMessageBoxes>(stderr);
    } else {
        auto dialogs = std::make_unique<dustrel::QtMessageBoxes>();
        qtMessageBoxes = dialogs.get();
        messageBoxes = std::move(dialogs);
    }

    dustrel::posix::PosixPlatform platform(*messageBoxes);
    dustrel::ProgramState state;
    const bool automatic = dustrel::toUpperAscii(argumentText) == "/AUTO";
    dustrel::QtRunModes modes(state, platform.platform(), {headless, qtMessageBoxes, !automatic, automatic});

    const dustrel::RunOutcome outcome = dustrel::Main(state, platform.platform(), argumentText, modes);
    if (outcome.next == dustrel::RunOutcome::Next::EndProgram)
        return outcome.exitCode;
    return QApplication::exec();
}
