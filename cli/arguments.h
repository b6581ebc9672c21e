// What orvane-export is asked to do, read from its arguments. Nothing is read or written here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

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
    std::vector<std::string> tilesets;
    int columns;  // tiles to a row of a PNG
};

// True when the arguments name --to or --format, the batch form's options.
bool IsBatchExport(std::span<const std::string_view> args);

// The request, or what is wrong with the arguments. Whether TILESET and OUTPUT are usable is
// ExportTileset's to judge.
std::variant<ExportRequest, std::string> ParseExportArguments(
    std::span<const std::string_view> args);
std::variant<BatchRequest, std::string> ParseBatchArguments(std::span<const std::string_view> args);

// The picture the request makes of one of its tilesets: the tileset's file name in the folder,
// its extension replaced.
std::string OutputFor(const BatchRequest& request, const std::string& tileset);

}  // namespace orvane::cli
