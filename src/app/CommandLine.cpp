#include "app/CommandLine.h"

#include "base/Text.h"

#include <utility>

namespace dustrel {
namespace {

CommandLine::Mode modeOf(std::string_view text)
{
    using Mode = CommandLine::Mode;
    const std::string command = toUpperAscii(text);
    if (command.empty())
        return Mode::Window;
    static constexpr std::pair<std::string_view, Mode> kSwitches[] = {
        {"/AUTO", Mode::Auto},         {"/LIST", Mode::List},       {"/DEBUG", Mode::Debug},
        {"/NOSPLASH", Mode::NoSplash}, {"/REGINIT", Mode::RegInit},
    };
    for (const auto& [name, mode] : kSwitches) {
        if (command == name)
            return mode;
    }
    return Mode::Unknown;
}

} // namespace

CommandLine::CommandLine(std::string text) : m_text(std::move(text)), m_mode(modeOf(m_text)) {}

CommandLine CommandLine::fromArguments(int argc, const char* const* argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return CommandLine(std::move(text));
}

bool CommandLine::needsSomebodyAtTheWindow() const
{
    return m_mode == Mode::Window || m_mode == Mode::NoSplash || m_mode == Mode::Debug;
}

} // namespace dustrel
