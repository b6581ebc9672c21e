// What happens to an error that escapes a command: the user is told its number and description
// in a message box, and the program goes on.
#pragma once

#include <functional>
#include <string>

#include "platform/runtime_error.h"

namespace orvane::viewer {

// "Run-time error '53':\n\nFile not found"
std::string RuntimeErrorMessage(const platform::RuntimeError& error);

// Runs command; a RuntimeError (or running out of memory, as error 7) that leaves it is shown
// with MsgBox. Returns false when the command ended with an error.
bool RunReportingErrors(const std::function<void()>& command);

}  // namespace orvane::viewer
