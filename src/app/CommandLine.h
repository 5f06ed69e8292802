#pragma once

#include <string>
#include <string_view>

namespace dustrel {

// The one reading of the command line: the argument text exactly as given and the run mode it asks for.
// Only one switch, alone and in any letter case, names a mode; anything else is unknown.
class CommandLine
{
public:
    enum class Mode
    {
        Window, // no argument: the splash window, then the main window
        NoSplash,
        Debug,
        Auto,
        List,
        RegInit,
        Unknown,
    };

    explicit CommandLine(std::string text);
    // The arguments joined by single blanks. Taken before Qt sees them, which it would otherwise edit.
    static CommandLine fromArguments(int argc, const char* const* argv);

    const std::string& text() const { return m_text; }
    Mode mode() const { return m_mode; }
    // The modes that only end when somebody closes a window: without a display nobody could, and the
    // process would stay behind unseen.
    bool needsSomebodyAtTheWindow() const;
    // /AUTO and /LIST: a pass without questions, on choices that were saved.
    bool unattended() const { return m_mode == Mode::Auto || m_mode == Mode::List; }

private:
    std::string m_text;
    Mode m_mode;
};

} // namespace dustrel
