// Message boxes: the text, a single OK button, and the program's title as caption.
//
// The window installs a handler that shows a real dialog; without one (headless) the message goes
// to standard error. Tests install a recorder.
#pragma once

#include <functional>
#include <string_view>

namespace orvane::platform {

using MessageBoxHandler = std::function<void(std::string_view prompt, std::string_view title)>;

// Shows prompt with kAppTitle as caption; returns when the user has acknowledged it.
void MsgBox(std::string_view prompt);

// Installs handler (an empty one restores the standard-error default); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Installs a handler for the lifetime of a scope.
class ScopedMessageBoxHandler {
  public:
    explicit ScopedMessageBoxHandler(MessageBoxHandler handler)
        : previous_(SetMessageBoxHandler(std::move(handler))) {}
    ~ScopedMessageBoxHandler() { SetMessageBoxHandler(std::move(previous_)); }
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

  private:
    MessageBoxHandler previous_;
};

}  // namespace orvane::platform
