// One tileset to one picture: the window's File > Open and File > Save As, answered by a scripted
// dialog, so a file written here is the file the window would write.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::cli {

// Why an export wrote no picture.
struct ExportFailure {
    enum class Step { Arguments, Reading, Writing };
    Step step;
    std::string file;  // the tileset when reading, the picture when writing
    // What is wrong with the arguments; or the error's number and description, with the reason
    // where the system gave one: "error 53: File not found".
    std::string detail;
};

// Where Save As's confirmation goes ("File saved!").
using Confirmation = std::function<void(std::string_view)>;

// Reads tileset and writes its mosaic to output, in the format that output's last three
// characters name. Nothing when the picture was written.
std::optional<ExportFailure> ExportTileset(const std::string& tileset, const std::string& output,
                                           const Confirmation& confirm);

// The failure in one line: "reading 'a.tst': error 53: File not found".
std::string Describe(const ExportFailure& failure);

}  // namespace orvane::cli
