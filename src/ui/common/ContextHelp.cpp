#include "ui/common/ContextHelp.h"

#include "base/Text.h"
#include "platform/Platform.h"
#include "state/ProgramInfo.h"
#include "state/ProgramState.h"

#include <QKeyEvent>
#include <QWidget>
#include <utility>

namespace dustrel {

void OpenHelpPage(ProgramState& state, Platform& platform, int topic)
{
    const std::string path = joinPath(state.DTR_PATH, "DUSTREL.HTML", platform.pathRules.separator);
    std::string problem;
    if (state.DTR_PATH.empty()) {
        problem = "The help file cannot be found : the installation folder is not known.";
    } else if (!platform.fileSystem.fileInfo(path)) {
        problem = "The help file cannot be found :" + state.NEWLINE + path;
    } else {
        const Result<void> opened =
            topic == 0 ? platform.processes.openTextFile(path)
                       : platform.processes.openPageAt(path, "topic-" + std::to_string(topic));
        if (!opened)
            problem = "The help file could not be opened :" + state.NEWLINE + opened.error().describe();
    }
    if (!problem.empty())
        platform.messageBoxes.show(programMessage(problem, MessageIcon::Exclamation));
}

ContextHelp::ContextHelp(std::function<void(int topic)> open, QObject* parent)
    : QObject(parent), m_open(std::move(open))
{}

bool ContextHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier || !watched->isWidgetType())
        return false;
    const QWidget* window = static_cast<QWidget*>(watched)->window();
    bool named = false;
    const int topic = window->property(kHelpContextId).toInt(&named);
    if (!named || topic <= 0)
        return false;
    m_open(topic);
    return true;
}

} // namespace dustrel
