#include "viewer/error_report.h"

#include <cctype>
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

constexpr std::string_view kRuntimeErrorStart = "Run-time error '";

std::string RuntimeErrorMessage(const platform::RuntimeError& error) {
    return std::string(kRuntimeErrorStart) + std::to_string(error.Number()) + "':\n\n" +
           error.Description();
}

std::string RuntimeErrorMessage(const platform::RuntimeError& error, std::string_view doing,
                                std::string_view file) {
    std::string message = RuntimeErrorMessage(error);
    if (!file.empty()) {
        std::string what(doing);
        if (!what.empty()) {
            what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
        }
        message.append("\n\n").append(what).append(" '").append(file).append("'");
        if (!error.Reason().empty()) {
            message.append(": ").append(error.Reason());
        }
        message.append(".");
    }
    return message;
}

bool IsRuntimeErrorMessage(std::string_view message) {
    return message.starts_with(kRuntimeErrorStart);
}

std::string ErrorDetail(const platform::RuntimeError& error) {
    std::string detail = "error " + std::to_string(error.Number()) + ": " + error.Description();
    if (!error.Reason().empty()) {
        detail.append(" (").append(error.Reason()).append(")");
    }
    return detail;
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
