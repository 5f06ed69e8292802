#pragma once

#include <QObject>
#include <cstddef>
#include <functional>

namespace dustrel {

struct Platform;
struct ProgramState;

// The name of the property by which a window or an element names its help topic.
inline constexpr const char* kHelpContextId = "helpContextId";

// The help topics, each a section of the help page.
inline constexpr int kDriveHelpTopic = 35;
constexpr int fileTypeHelpTopic(std::size_t rule)
{
    return 100 + 5 * static_cast<int>(rule);
}
constexpr int specialFolderHelpTopic(std::size_t folder)
{
    return 200 + 5 * static_cast<int>(folder);
}
inline constexpr int kIgnoreHelpTopic = 300;
inline constexpr int kCustomTypeHelpTopic = 305;
inline constexpr int kSaveParamsHelpTopic = 400;
inline constexpr int kLogEventsHelpTopic = 405;
inline constexpr int kTrashHelpTopic = 410;
inline constexpr int kDiagnosticsHelpTopic = 505;

// Opens the help page DUSTREL.HTML of the installation folder: at its top for topic 0, otherwise at the
// section of the topic (anchor "topic-<n>"). A page that cannot be found or opened is said in a message
// box, since the desktop's opener says nothing.
void OpenHelpPage(ProgramState& state, Platform& platform, int topic);

// F1 in a window that names a help topic of its own (the dialogs and the diagnostics windows) opens the
// help at that topic. Installed on the application, so it reaches every such window without each one
// knowing where the help lives; the main window names none, and its F1 stays the Index command's.
class ContextHelp : public QObject
{
public:
    explicit ContextHelp(std::function<void(int topic)> open, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(int)> m_open;
};

} // namespace dustrel
