#include "platform/msgbox.h"

#include <iostream>

#include "platform/app.h"

namespace orvane::platform {
namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

void MsgBox(std::string_view prompt) {
    if (const MessageBoxHandler& handler = Handler()) {
        handler(prompt, kAppTitle);
    } else {
        std::cerr << kAppTitle << ": " << prompt << '\n';
    }
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

}  // namespace orvane::platform
