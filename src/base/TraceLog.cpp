#include "base/TraceLog.h"

namespace dustrel {

void TraceLog::Trace(int level, std::string_view text)
{
    std::string line;
    for (int i = 0; i < level; ++i)
        line += "     ";
    if (!text.empty()) {
        line += "--> ";
        line += text;
    }
    line += "\r\n";
    m_text += line;
    if (m_listener != nullptr)
        m_listener->traceAppended(line);
}

} // namespace dustrel
