// orvane-export: File > Open and File > Save As without the window, for people with many
// tilesets to turn into pictures.
#include <iostream>
#include <optional>
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

int Exported(const std::optional<ExportFailure>& failure) {
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
    if (orvane::cli::IsBatchExport(args)) {
        auto request = orvane::cli::ParseBatchArguments(args);
        if (const auto* problem = std::get_if<std::string>(&request)) {
            return Usage(*problem);
        }
        return orvane::cli::RunBatchExport(std::get<orvane::cli::BatchRequest>(request));
    }
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "--help" || option == "-h") {
            std::cout << orvane::cli::HelpText();
            return Status(Exit::Success);
        }
    }
    auto parsed = orvane::cli::ParseExportArguments(args);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        return Usage(*problem);
    }
    const auto& request = *std::get_if<orvane::cli::ExportRequest>(&parsed);
    if (request.thumbnailSize) {
        return Exported(
            orvane::cli::ExportThumbnail(request.tileset, request.output, *request.thumbnailSize));
    }
    return Exported(orvane::cli::ExportTileset(
        request.tileset, request.output,
        [](std::string_view confirmation) { std::cout << confirmation << '\n'; },
        {.columns = request.columns}));
}
