#include "cli/failure.h"

#include <map>

#include "cli/shell_quote.h"
#include "platform/files.h"
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

std::optional<Failure> OverwritesAnInput(std::span<const std::string> inputs,
                                         std::span<const std::string> outputs) {
    std::map<platform::FileId, const std::string*> read;
    for (const std::string& input : inputs) {
        if (const auto id = platform::FileIdOf(input)) {
            read.emplace(*id, &input);
        }
    }
    for (const std::string& output : outputs) {
        const auto id = platform::FileIdOf(output);
        const auto input = id ? read.find(*id) : read.end();
        if (input != read.end()) {
            const std::string what =
                *input->second == output ? "it is read" : "it is " + ShellQuoted(*input->second);
            return Failure{Failure::Step::Writing, output,
                           what + ", and would be replaced while it is read: write another file"};
        }
    }
    return std::nullopt;
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
