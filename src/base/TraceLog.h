#pragma once

#include <string>
#include <string_view>

namespace dustrel {

class TraceListener
{
public:
    virtual ~TraceListener() = default;
    // A whole line, line end included, has been appended; show it at once.
    virtual void traceAppended(std::string_view line) = 0;
};

// The start-up trace: indented lines kept for the whole run and shown by the spy watcher.
class TraceLog
{
public:
    // Five blanks per level, then "--> " and the text unless the text is empty, then CR LF.
    void Trace(int level, std::string_view text);

    const std::string& text() const { return m_text; }
    void setListener(TraceListener* listener) { m_listener = listener; }

private:
    std::string m_text;
    TraceListener* m_listener = nullptr;
};

} // namespace dustrel
