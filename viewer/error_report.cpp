#include "viewer/error_report.h"

#include <cctype>

#include "platform/msgbox.h"

namespace orvane::viewer {
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

bool RunReportingErrors(const std::function<void()>& command) {
    return platform::RunCommand(command, [](const platform::RuntimeError& error) {
        platform::MsgBox(RuntimeErrorMessage(error));
    });
}

}  // namespace orvane::viewer
