#pragma once

#include <cstdio>
#include <string>

namespace dustrel {

enum class MessageIcon
{
    Critical,
    Question,
    Exclamation,
    Information,
};

enum class MessageButtons
{
    Ok,
    YesNo,
};

enum class MessageAnswer
{
    Ok,
    Yes,
    No,
};

struct Message
{
    std::string text; // lines joined by the program's NEWLINE
    std::string title;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
};

// Modal message boxes. Everything that asks or tells the user goes through here, so that tests answer
// without a modal loop and a run without a display prints instead.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer show(const Message& message) = 0;
};

// Writes the title on one line and the text on the next lines to a stream and takes the default answer:
// how a run without a display (cron, scripts, tests) reports.
class StreamMessageBoxes : public MessageBoxes
{
public:
    explicit StreamMessageBoxes(std::FILE* stream) : m_stream(stream) {}
    MessageAnswer show(const Message& message) override;

private:
    std::FILE* m_stream;
};

} // namespace dustrel
