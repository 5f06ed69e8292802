#pragma once

#include "app/Main.h"
#include "cleanup/Deletion.h"
#include "settings/Parameters.h"

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace dustrel {

class About;
class ContextHelp;
class DebugFrm;
class Menu;
class QtMessageBoxes;
class MessageBoxes;
class Splash;
class Spy_frm;
struct Platform;
struct ProgramState;

// The run modes with windows: the start-up behind the splash window, the automatic pass and the two
// diagnostics windows. It owns every window of the run.
class QtRunModes : public RunModes
{
public:
    struct Options
    {
        // No display: nothing is shown to anybody and no viewer is started on the events log.
        bool headless = false;
        // Parent for the message boxes once the main window exists; null when they are not Qt dialogs.
        QtMessageBoxes* qtMessageBoxes = nullptr;
        // A start that finds no saved choices writes the defaults, so that the window opens with them and
        // can save on quit. Not for the automatic pass, which must never clean with choices nobody made.
        bool writeDefaultsWhenMissing = true;
        // The automatic pass: it refuses choices that could not be read instead of showing them.
        bool unattended = false;
    };

    // Creates the spy watcher, hidden, so that it holds the trace from its first line on.
    QtRunModes(ProgramState& state, Platform& platform, Options options);
    ~QtRunModes() override;

    RunOutcome SplashScreen(bool topmost) override;
    RunOutcome DebugMode() override;
    // The automatic pass. Exit status 0 when every listed file was deleted, 1 when any deletion failed.
    // What it did goes to standard error: the files and bytes cleaned, each file that stayed and why.
    RunOutcome AutoMode() override;
    // The automatic pass's search, then the list of what it would delete on standard output.
    RunOutcome ListMode() override;

    // Called once per turn of the two timed waits of the start-up, after the window events of that turn
    // have run; tests move their clock on and look at the windows from here.
    void setWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }
    // What ending the program does; by default every window is hidden and the event loop ends.
    void setEndProgram(std::function<void()> endProgram) { m_endProgram = std::move(endProgram); }

    Menu* menu() const { return m_menu.get(); }
    Splash* splash() const { return m_splash.get(); }
    Spy_frm* spyWatcher() const { return m_spy.get(); }
    DebugFrm* debugWindow() const { return m_debug.get(); }

private:
    // Lets window events run until `seconds` have passed since the start time.
    void waitUntil(std::chrono::steady_clock::time_point start, std::chrono::seconds seconds);
    void setMessageOwner(QWidget* owner);
    void createMenu();
    void writeDefaults();
    void endProgram();
    std::string problemLines() const;
    // The saved choices' refusals (told through `refusals`) and the search of an unattended run; an
    // outcome to end with when it must not go on, nothing when the results list is ready.
    std::optional<RunOutcome> searchUnattended(MessageBoxes& refusals);

    ProgramState& m_state;
    Platform& m_platform;
    Options m_options;
    std::function<void()> m_waitHook;
    std::function<void()> m_endProgram;
    QTimer m_waitTick;
    std::unique_ptr<ContextHelp> m_contextHelp;
    bool m_ended = false;
    bool m_parametersMissing = false;
    ParametersReport m_loaded;
    // Destroyed in reverse order: the debug window and the main window go before the spy watcher they
    // may refer to.
    std::unique_ptr<Spy_frm> m_spy;
    std::unique_ptr<Splash> m_splash;
    std::unique_ptr<Menu> m_menu;
    std::unique_ptr<DebugFrm> m_debug;
};

} // namespace dustrel
