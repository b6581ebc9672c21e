#include "viewer/error_report.h"

#include <new>

#include "platform/msgbox.h"

namespace orvane::viewer {

std::string RuntimeErrorMessage(const platform::RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.Number()) + "':\n\n" + error.Description();
}

bool RunReportingErrors(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const platform::RuntimeError& error) {
        platform::MsgBox(RuntimeErrorMessage(error));
    } catch (const std::bad_alloc&) {
        // A picture too large for memory is the likely cause; the window can carry on.
        const auto number = platform::ErrorNumber::OutOfMemory;
        platform::MsgBox(RuntimeErrorMessage(
            platform::RuntimeError(static_cast<std::int32_t>(number), "",
                                   std::string(platform::StandardDescription(number)))));
    }
    return false;
}

}  // namespace orvane::viewer
