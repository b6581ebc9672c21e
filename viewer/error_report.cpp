#include "viewer/error_report.h"

#include <exception>
#include <new>

#include "platform/app.h"
#include "platform/msgbox.h"

namespace orvane::viewer {
namespace {

platform::RuntimeError StandardError(platform::ErrorNumber number, std::string description) {
    return platform::RuntimeError(static_cast<std::int32_t>(number), platform::AppExeName(),
                                  std::move(description));
}

}  // namespace

std::string RuntimeErrorMessage(const platform::RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.Number()) + "':\n\n" + error.Description();
}

bool RunCommand(const std::function<void()>& command,
                const std::function<void(const platform::RuntimeError&)>& report) {
    using platform::ErrorNumber;
    using platform::StandardDescription;
    try {
        command();
        return true;
    } catch (const platform::RuntimeError& error) {
        report(error);
    } catch (const std::bad_alloc&) {
        // A picture too large for memory is the likely cause; the program can carry on.
        report(StandardError(ErrorNumber::OutOfMemory,
                             std::string(StandardDescription(ErrorNumber::OutOfMemory))));
    } catch (const std::exception& error) {
        // A fault of the program or of a library under it: the command is lost, not the window.
        std::string description(StandardDescription(ErrorNumber::InternalError));
        if (*error.what() != '\0') {
            description += std::string(": ") + error.what();
        }
        report(StandardError(ErrorNumber::InternalError, std::move(description)));
    } catch (...) {
        report(StandardError(ErrorNumber::InternalError,
                             std::string(StandardDescription(ErrorNumber::InternalError))));
    }
    return false;
}

bool RunReportingErrors(const std::function<void()>& command) {
    return RunCommand(command, [](const platform::RuntimeError& error) {
        platform::MsgBox(RuntimeErrorMessage(error));
    });
}

}  // namespace orvane::viewer
