// What happens to an error that escapes a command: the user is told its number and description,
// and the program goes on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/runtime_error.h"

namespace orvane::viewer {

// "Run-time error '53':\n\nFile not found"
std::string RuntimeErrorMessage(const platform::RuntimeError& error);
// The same, then what was being done to which file and why, where the error says why:
// "...File not found\n\nReading 'a.tst'." or "...\n\nWriting 'b.jpg': no space left on the device."
std::string RuntimeErrorMessage(const platform::RuntimeError& error, std::string_view doing,
                                std::string_view file);
// Whether a message is one of the two above, so that it is shown as a warning.
bool IsRuntimeErrorMessage(std::string_view message);
// platform::RunCommand as the window runs its commands: the error is shown with MsgBox.
bool RunReportingErrors(const std::function<void()>& command);

}  // namespace orvane::viewer
