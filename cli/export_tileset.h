// One tileset to one picture: the window's File > Open and File > Save As, answered by a scripted
// dialog, so a file written here is the file the window would write; PNGs and thumbnails through
// the conversion the window's File > Export PNG uses.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tileset/format.h"

namespace orvane::cli {

// Why an export wrote no picture.
struct ExportFailure {
    enum class Step { Arguments, Reading, Writing };
    Step step;
    std::string file;  // the tileset when reading, the picture when writing
    // What is wrong with the arguments; or the error's number and description, with the reason
    // where the system gave one: "error 53: File not found".
    std::string detail;
    std::int32_t number = 0;  // the error's, 0 for the arguments
};

// Where Save As's confirmation goes ("File saved!").
using Confirmation = std::function<void(std::string_view)>;

struct ExportOptions {
    int columns = tileset::kTilesPerRow;  // tiles to a row of a PNG
};

// Reads tileset and writes its mosaic to output, in the format that output's last three
// characters name. Nothing when the picture was written.
std::optional<ExportFailure> ExportTileset(const std::string& tileset, const std::string& output,
                                           const Confirmation& confirm,
                                           const ExportOptions& options = {});

// The first tiles of tileset as a PNG thumbnail of at most size × size pixels, whatever output is
// called. Nothing when it was written.
std::optional<ExportFailure> ExportThumbnail(const std::string& tileset, const std::string& output,
                                             int size);

// Runs step, which reads or writes file: what it raises becomes the failure.
std::optional<ExportFailure> Attempt(ExportFailure::Step step, const std::string& file,
                                     const std::function<void()>& command);

// The failure in one line: "reading 'a.tst': error 53: File not found".
std::string Describe(const ExportFailure& failure);

}  // namespace orvane::cli
