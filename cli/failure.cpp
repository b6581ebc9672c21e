#include "cli/failure.h"

#include "cli/shell_quote.h"
#include "platform/runtime_error.h"

namespace orvane::cli {

std::optional<Failure> Attempt(Failure::Step step, const std::string& file,
                               const std::function<void()>& command) {
    std::optional<Failure> failure;
    platform::RunCommand(command, [&](const platform::RuntimeError& error) {
        // The error's texts may hold a name (a link's, say), with whatever characters it has.
        failure = Failure{step, file, EscapeControls(platform::ErrorDetail(error)), error.Number()};
    });
    return failure;
}

std::string Describe(const Failure& failure) {
    switch (failure.step) {
        case Failure::Step::Reading:
            return "reading " + ShellQuoted(failure.file) + ": " + failure.detail;
        case Failure::Step::Writing:
            return "writing " + ShellQuoted(failure.file) + ": " + failure.detail;
        case Failure::Step::Arguments:
            break;
    }
    return failure.detail;
}

}  // namespace orvane::cli
