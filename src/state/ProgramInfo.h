#pragma once

#include "platform/MessageBoxes.h"

#include <string>
#include <string_view>

namespace dustrel {

// The title of the main window and of every message box the program shows, with the project's version.
constexpr std::string_view kProgramTitle = "Dustrel v" DUSTREL_VERSION;

// The events log's file name, in the installation folder or the user's state folder.
constexpr std::string_view kLogName = "DUSTREL.LOG";

// A message box under the program's title with an OK button.
inline Message programMessage(std::string text, MessageIcon icon)
{
    return Message{std::move(text), std::string(kProgramTitle), icon, MessageButtons::Ok, MessageAnswer::Ok};
}

// A Yes/No question under the program's title; `defaultAnswer` is what a run without a user takes.
inline Message programQuestion(std::string text, MessageAnswer defaultAnswer)
{
    return Message{std::move(text), std::string(kProgramTitle), MessageIcon::Question, MessageButtons::YesNo,
                   defaultAnswer};
}

} // namespace dustrel
