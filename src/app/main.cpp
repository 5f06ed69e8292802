// The executable: chooses how to show things, builds the platform and hands over to Main.

#include "app/Main.h"
#include "app/QtMessageBoxes.h"
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

// Without a display the program runs on Qt's offscreen platform instead of refusing to start, and says
// what it would have shown on standard error, so that scripts and cron can use it.
bool chooseHeadless()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && std::string(platform) == "offscreen")
        return true;
    const bool hasDisplay = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
    if (!hasDisplay && (platform == nullptr || platform[0] == '\0')) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    return false;
}

// Scripts read what a headless run writes to standard error, so Qt's own notes (such as a missing
// runtime folder) are kept out of it; real errors still get through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Modes whose windows are still being built.
class UnavailableRunModes : public dustrel::RunModes
{
public:
    explicit UnavailableRunModes(dustrel::MessageBoxes& messageBoxes) : m_messageBoxes(messageBoxes) {}

    dustrel::RunOutcome SplashScreen(bool) override { return unavailable("The main window"); }
    dustrel::RunOutcome DebugMode() override { return unavailable("The debug mode"); }
    dustrel::RunOutcome AutoMode() override { return unavailable("The automatic mode"); }

private:
    dustrel::RunOutcome unavailable(const std::string& what)
    {
        m_messageBoxes.show(dustrel::Message{what + " is not available yet in this build.",
                                             std::string(dustrel::kProgramTitle), dustrel::MessageIcon::Exclamation,
                                             dustrel::MessageButtons::Ok, dustrel::MessageAnswer::Ok});
        return dustrel::RunOutcome::end(1);
    }

    dustrel::MessageBoxes& m_messageBoxes;
};

} // namespace

int main(int argc, char** argv)
{
    // Taken before Qt sees the command line, which it would otherwise edit.
    const std::string argumentText = dustrel::ArgumentText(argc, argv);
    const bool headless = chooseHeadless();
    if (headless)
        qInstallMessageHandler(quietQtMessages);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dustrel"));
    QApplication::setApplicationVersion(QStringLiteral(DUSTREL_VERSION));

    std::unique_ptr<dustrel::MessageBoxes> messageBoxes;
    if (headless)
        messageBoxes = std::make_unique<dustrel::StreamMessageBoxes>(stderr);
    else
        messageBoxes = std::make_unique<dustrel::QtMessageBoxes>();

    dustrel::posix::PosixPlatform platform(*messageBoxes);
    dustrel::ProgramState state;
    UnavailableRunModes modes(*messageBoxes);

    const dustrel::RunOutcome outcome = dustrel::Main(state, platform.platform(), argumentText, modes);
    if (outcome.next == dustrel::RunOutcome::Next::EndProgram)
        return outcome.exitCode;
    return QApplication::exec();
}
