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
    if (orvane::cli::IsBatchExport(args)) {
        auto request = orvane::cli::ParseBatchArguments(args);
        if (const auto* problem = std::get_if<std::string>(&request)) {
            return Usage(*problem);
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
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "--help" || option == "-h") {
            std::cout << orvane::cli::HelpText();
            return Status(Exit::Success);
        }
    }
    if (argc != 3) {
        return Usage("expected two arguments, TILESET and OUTPUT");
    }
    return ExportOne(argv[1], argv[2]);
}
