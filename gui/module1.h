// The start-up routine.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "gui/form1.h"
#include "gui/qt_clipboard.h"
#include "platform/msgbox.h"

namespace orvane::gui {

class Module1 {
  public:
    Module1();
    ~Module1();
    Module1(const Module1&) = delete;
    Module1& operator=(const Module1&) = delete;

    // Shows Form1, modeless, creating it on first use, and returns; the program then runs on
    // the application's event loop until the window is closed. A tileset given is opened as
    // File > Open would open it, once the window is shown.
    void Main(const std::optional<std::string>& tileset = std::nullopt);

  private:
    // For the life of the application, window or not.
    QtClipboardSink clipboardSink_;
    std::unique_ptr<Form1> form1_;
    // Declared after the window it parents its message boxes to, so it goes first.
    std::optional<platform::ScopedMessageBoxHandler> messageBoxes_;
};

}  // namespace orvane::gui
