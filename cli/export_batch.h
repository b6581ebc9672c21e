// orvane-export --to DIR --format jpg|bmp TILESET...: many tilesets at once, on every core.
//
// Each tileset is exported by a process of its own, forked from this one, through the very code
// of the two-argument form: File > Open and File > Save As answered by a scripted dialog. The
// platform layer behind those commands (its GDI handle table, the message box handler) serves one
// thread, and a process keeps each export's state, its memory and any crash to itself.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvane::cli {

// The batch form's part of the help text.
extern const std::string_view kBatchDetails;

struct BatchRequest {
    std::string folder;
    std::string extension;  // "jpg" or "bmp"
    std::vector<std::string> tilesets;
};

// True when the arguments name --to or --format, the batch form's options.
bool IsBatchExport(std::span<const std::string_view> args);

// The request, or what is wrong with the arguments. Nothing is read or written yet.
std::variant<BatchRequest, std::string> ParseBatchArguments(std::span<const std::string_view> args);

// Exports one tileset to one file as the two-argument form does and returns its exit status.
using ExportOne = std::function<int(const std::string& tileset, const std::string& output)>;

// Exports every tileset of the request, as many at a time as the hardware runs threads. Each
// failure is one line on standard error naming the tileset; on a terminal, standard error also
// shows the progress. Returns 0 when every picture was written, 1 otherwise.
int RunBatchExport(const BatchRequest& request, const ExportOne& exportOne);

}  // namespace orvane::cli
