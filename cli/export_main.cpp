// orvane-export: File > Open and File > Save As (or Export PNG) without the window, for people
// with many tilesets to turn into pictures.
#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/arguments.h"
#include "cli/batch.h"
#include "cli/export_tileset.h"
#include "cli/standard_error.h"
#include "cli/standard_output.h"
#include "platform/app.h"

namespace {

using orvane::cli::Failure;

// The exit statuses, as the help text tells them.
enum class Exit : int { Success = 0, Failure = 1, Usage = 2 };

int Status(Exit exit) {
    return static_cast<int>(exit);
}

int Usage(std::string_view problem) {
    orvane::cli::WriteStandardError(orvane::cli::UsageText(problem));
    return Status(Exit::Usage);
}

int Exported(const std::optional<Failure>& failure) {
    if (!failure) {
        return Status(Exit::Success);
    }
    if (failure->step == Failure::Step::Arguments) {
        return Usage(failure->detail);
    }
    orvane::cli::WriteStandardError(std::string(orvane::cli::kPrefix) + Describe(*failure) + '\n');
    return Status(Exit::Failure);
}

int Export(const orvane::cli::ExportRequest& request) {
    if (request.thumbnailSize) {
        return Exported(
            orvane::cli::ExportThumbnail(request.tileset, request.output, *request.thumbnailSize));
    }
    return Exported(orvane::cli::ExportTileset(
        request.tileset, request.output,
        [](std::string_view confirmation) { std::cout << confirmation << '\n'; },
        {.columns = request.columns}));
}

int Run(const std::vector<std::string_view>& args) {
    const orvane::cli::Request request = orvane::cli::ParseArguments(args);
    if (const auto* usage = std::get_if<orvane::cli::UsageError>(&request)) {
        return Usage(usage->problem);
    }
    if (std::holds_alternative<orvane::cli::HelpRequest>(request)) {
        std::cout << orvane::cli::HelpText();
        return Status(Exit::Success);
    }
    if (std::holds_alternative<orvane::cli::VersionRequest>(request)) {
        std::cout << "orvane-export " << orvane::platform::AppVersion() << '\n';
        return Status(Exit::Success);
    }
    if (const auto* single = std::get_if<orvane::cli::ExportRequest>(&request)) {
        return Export(*single);
    }
    const orvane::cli::BatchResult result =
        orvane::cli::RunBatchExport(std::get<orvane::cli::BatchRequest>(request));
    if (result.stoppedBy != 0) {
        // Ended as the signal ends a program, so that the shell and the caller see it.
        std::signal(result.stoppedBy, SIG_DFL);
        std::raise(result.stoppedBy);
    }
    return result.status;
}

}  // namespace

int main(int argc, char** argv) {
    return orvane::cli::CloseStandardOutput(
        orvane::cli::kPrefix, Run(std::vector<std::string_view>(argv + 1, argv + argc)));
}
