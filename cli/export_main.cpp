// orvane-export: File > Open and File > Save As without the window, for people with many
// tilesets to turn into pictures.
#include <csignal>
#include <iostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/arguments.h"
#include "cli/batch.h"
#include "cli/export_tileset.h"

namespace {

using orvane::cli::ExportFailure;

// The exit statuses, as the help text tells them.
enum class Exit : int { Success = 0, Failure = 1, Usage = 2 };

int Status(Exit exit) {
    return static_cast<int>(exit);
}

int Usage(std::string_view problem) {
    std::cerr << orvane::cli::UsageText(problem);
    return Status(Exit::Usage);
}

int ExportOne(const std::string& tileset, const std::string& output) {
    const auto failure = orvane::cli::ExportTileset(
        tileset, output, [](std::string_view confirmation) { std::cout << confirmation << '\n'; });
    if (!failure) {
        return Status(Exit::Success);
    }
    if (failure->step == ExportFailure::Step::Arguments) {
        return Usage(failure->detail);
    }
    std::cerr << orvane::cli::kPrefix << Describe(*failure) << '\n';
    return Status(Exit::Failure);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const orvane::cli::Request request = orvane::cli::ParseArguments(args);
    if (const auto* usage = std::get_if<orvane::cli::UsageError>(&request)) {
        return Usage(usage->problem);
    }
    if (std::holds_alternative<orvane::cli::HelpRequest>(request)) {
        std::cout << orvane::cli::HelpText();
        return Status(Exit::Success);
    }
    if (const auto* single = std::get_if<orvane::cli::SingleRequest>(&request)) {
        return ExportOne(single->tileset, single->output);
    }
    const orvane::cli::BatchResult result =
        orvane::cli::RunBatchExport(std::get<orvane::cli::BatchRequest>(request));
    if (result.stoppedBy != 0) {
        // Ended as the signal ends a program, so that the shell and the caller see it.
        std::cerr.flush();
        std::signal(result.stoppedBy, SIG_DFL);
        std::raise(result.stoppedBy);
    }
    return result.status;
}
