#include "viewer/picture_export.h"

#include <array>
#include <cassert>

#include "jpeg/mjpeg_encoder.h"
#include "platform/save_picture.h"
#include "tileset/png.h"
#include "tileset/tsx.h"

namespace orvane::viewer {
namespace {

constexpr LONG kJpegQuality = 90;

constexpr std::array<ExportWriter, 4> kWriters{{
    {ExportFormat::Bitmap, "bmp", "Save complete!", ExportReads::Canvas, false, WriteBitmap},
    {ExportFormat::Jpeg, "jpg", "File saved!", ExportReads::Canvas, false, WriteJpeg},
    {ExportFormat::Png, "png", "PNG saved!", ExportReads::TilesetFile, true, WritePng},
    {ExportFormat::Tsx, "tsx", "Tiled tileset saved!", ExportReads::TilesetFile, true, WriteTsx},
}};

}  // namespace

std::span<const ExportWriter> ExportWriters() {
    return kWriters;
}

const ExportWriter& WriterOf(ExportFormat format) {
    const ExportWriter& writer = kWriters.at(static_cast<std::size_t>(format));
    assert(writer.format == format);
    return writer;
}

std::string EndingsInWords(bool quoted) {
    std::string words;
    for (std::size_t i = 0; i < kWriters.size(); ++i) {
        words += i == 0 ? "" : i + 1 < kWriters.size() ? ", " : " or ";
        words.append(quoted ? "\"" : "").append(kWriters[i].ending).append(quoted ? "\"" : "");
    }
    return words;
}

std::optional<ExportFormat> ExportFormatOf(std::string_view fileName) {
    const std::string_view last =
        fileName.substr(fileName.size() - std::min<std::size_t>(3, fileName.size()));
    for (const ExportWriter& writer : kWriters) {
        if (last == writer.ending) {
            return writer.format;
        }
    }
    return std::nullopt;
}

void WriteBitmap(const ExportSource& source, const std::string& output) {
    platform::SavePicture(source.canvas.Image(), output);
}

void WriteJpeg(const ExportSource& source, const std::string& output) {
    // Raises every failure: it never returns false.
    mJPEGEncoder::SavePictureAsJpeg(source.canvas, output, kJpegQuality);
}

// Not the canvas alone: a see-through pixel shows the background colour, which a tile's own pixel
// may also have. Both ways make the same file.
void WritePng(const ExportSource& source, const std::string& output) {
    if (source.file != nullptr) {
        tileset::SaveTilesetAsPng(*source.file, output, {.columns = source.columns});
        return;
    }
    assert(source.columns == tileset::kTilesPerRow);
    tileset::SaveTilesetAsPng({source.canvas.Bits(), source.seeThrough, source.tiles, source.words},
                              output);
}

void WriteTsx(const ExportSource& source, const std::string& output) {
    assert(source.file != nullptr);
    tileset::SaveTilesetAsTsx(*source.file, output, {.columns = source.columns});
}

}  // namespace orvane::viewer
