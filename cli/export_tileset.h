// One tileset to one picture: opened and painted as the window's File > Open does, and written
// by the very function of the format that the window's File > Save As and File > Export PNG call,
// so a file written here is the file the window would write; and thumbnails.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/failure.h"
#include "tileset/format.h"

namespace orvane::cli {

// Where the confirmation goes ("File saved!").
using Confirmation = std::function<void(std::string_view)>;

struct ExportOptions {
    int columns = tileset::kTilesPerRow;  // tiles to a row of a PNG
};

// Reads tileset and writes its mosaic to output, in the format that output's last three
// characters name. Nothing when the picture was written.
std::optional<Failure> ExportTileset(const std::string& tileset, const std::string& output,
                                     const Confirmation& confirm,
                                     const ExportOptions& options = {});

// The first tiles of tileset as a PNG thumbnail of at most size × size pixels, whatever output is
// called. Nothing when it was written.
std::optional<Failure> ExportThumbnail(const std::string& tileset, const std::string& output,
                                       int size);

}  // namespace orvane::cli
