#include "platform/MessageBoxes.h"

namespace dustrel {

MessageAnswer StreamMessageBoxes::show(const Message& message)
{
    // Message texts break lines with LF CR; a terminal wants plain LF.
    std::string text;
    text.reserve(message.text.size());
    for (std::size_t i = 0; i < message.text.size(); ++i) {
        char c = message.text[i];
        if (c == '\r' && i > 0 && message.text[i - 1] == '\n')
            continue;
        text += c;
    }
    std::fprintf(m_stream, "%s\n%s\n", message.title.c_str(), text.c_str());
    std::fflush(m_stream);
    return message.defaultAnswer;
}

} // namespace dustrel
