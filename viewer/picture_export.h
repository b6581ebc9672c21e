// The pictures written of a tileset, one function per format: the window's File > Save As and
// File > Export PNG, and orvane-export without a window, write through these alone, so that the
// same tileset gives the same file whichever program writes it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tileset/format.h"
#include "tileset/see_through_mask.h"
#include "tileset/tileset_file.h"
#include "viewer/canvas.h"

namespace orvane::viewer {

enum class ExportFormat { Bitmap, Jpeg, Png, Tsx };

// What the command line, which has no window, gives a format's writer: a canvas painted as
// File > Open paints it, or the tileset file alone, from which the writer makes the same picture
// it makes of the window's canvas and see-through mask without painting a canvas first.
enum class ExportReads { Canvas, TilesetFile };

// What a picture is written from. The window gives what it shows: the canvas, its see-through
// pixels, its tile count and the free words of its header, and no file. The command line gives
// what the format's writer reads (ExportReads): a painted canvas, or the file (a canvas not
// painted then stands for the rest).
struct ExportSource {
    const Canvas& canvas;
    const tileset::SeeThroughMask& seeThrough;
    int tiles = 0;
    tileset::TilesetFile* file = nullptr;
    int columns = tileset::kTilesPerRow;  // tiles to a row of a PNG made of the file
    tileset::FreeWords words{};           // where there is no file
};

// A format: the ending of a name that asks for it, what is said once it is written, what its
// writer reads, whether it lays the tiles out in columns of the user's choice, and the writer. A
// writer raises its errors: the runtime's (481 for a canvas without pixels, file errors, 26001
// for the JPEG library), and leaves an existing file as it was when it fails.
struct ExportWriter {
    ExportFormat format;
    std::string_view ending;
    std::string_view saved;
    ExportReads reads;
    bool takesColumns;
    void (*write)(const ExportSource& source, const std::string& output);
};

// Every format, in ExportFormat's order.
std::span<const ExportWriter> ExportWriters();
const ExportWriter& WriterOf(ExportFormat format);
// The endings of the formats in words, each in double quotes or bare: "\"bmp\", \"jpg\" or
// \"png\"".
std::string EndingsInWords(bool quoted);

// The format a name asks for: only its last three characters count (the whole of a shorter
// name), compared exactly, so "x.BMP", "x.jpeg" and "" ask for none and "myjpg" for a JPEG.
std::optional<ExportFormat> ExportFormatOf(std::string_view fileName);

// The canvas as an uncompressed 24-bit Windows bitmap.
void WriteBitmap(const ExportSource& source, const std::string& output);
// The canvas as a baseline JPEG at quality 90, a replaced file keeping its times and attributes.
void WriteJpeg(const ExportSource& source, const std::string& output);
// The tileset as an 8-bit RGBA PNG, see-through pixels transparent, recording its tile count:
// made of the file where the source has one, else of the canvas and its see-through mask.
void WritePng(const ExportSource& source, const std::string& output);
// The tileset as a Tiled tileset: output names the PNG that WritePng makes of the file, written
// beside it (tileset::SaveTilesetAsTsx). Made of the file alone.
void WriteTsx(const ExportSource& source, const std::string& output);

}  // namespace orvane::viewer
