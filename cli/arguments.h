// What orvane-export is asked to do, read from its arguments. Nothing is read or written here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/shell_quote.h"

namespace orvane::cli {

// Every line the program writes to standard error begins with it.
inline constexpr std::string_view kPrefix = "orvane-export: ";

// What --help prints.
std::string HelpText();

// What a usage error prints: the problem, the synopsis, and where to read more.
std::string UsageText(std::string_view problem);

// orvane-export [--columns N] TILESET OUTPUT, or --thumbnail SIZE TILESET OUTPUT.
struct ExportRequest {
    std::string tileset;
    std::string output;
    int columns;                       // tiles to a row of a PNG
    std::optional<int> thumbnailSize;  // a thumbnail instead of the mosaic
};

struct BatchRequest {
    std::string folder;
    std::string extension;  // "jpg", "bmp" or "png"
    // Each file once for each picture it makes, in the order first given: a file named twice for
    // one picture is exported once.
    std::vector<std::string> tilesets;
    int columns;  // tiles to a row of a PNG
};

struct HelpRequest {};
struct VersionRequest {};
struct UsageError {
    std::string problem;
};
using Request = std::variant<HelpRequest, VersionRequest, ExportRequest, BatchRequest, UsageError>;

// What the arguments (without the program's name) ask for: --help (or -h) or --version alone,
// one tileset to one picture or a thumbnail, or a batch; or what is wrong with them. Whether
// TILESET and OUTPUT are usable is the export's to judge.
Request ParseArguments(std::span<const std::string_view> args);

// The picture the request makes of one of its tilesets: the tileset's file name in the folder,
// its extension replaced.
std::string OutputFor(const BatchRequest& request, const std::string& tileset);

}  // namespace orvane::cli
