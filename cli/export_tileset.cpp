#include "cli/export_tileset.h"

#include <array>

#include "cli/shell_quote.h"
#include "tileset/thumbnail.h"
#include "viewer/main_form.h"
#include "viewer/picture_export.h"

namespace orvane::cli {
namespace {

using Step = Failure::Step;
using viewer::ExportReads;

// A tileset without a name, or an output that is the tileset itself.
std::optional<Failure> RefusedNames(const std::string& tileset, const std::string& output) {
    if (tileset.empty()) {
        return Failure{Step::Arguments, tileset, "TILESET must not be empty"};
    }
    return OverwritesAnInput(std::array{tileset}, std::array{output});
}

// The tileset opened, and painted on the canvas as File > Open paints it where the writer reads
// the canvas: what the window would hold when its Save As is chosen.
struct OpenedTileset {
    std::optional<tileset::TilesetFile> file;
    viewer::Canvas canvas;
    tileset::SeeThroughMask seeThrough;  // the writers that read the canvas need none

    void Open(const std::string& name, ExportReads reads) {
        file.emplace(name);
        if (reads == ExportReads::Canvas) {
            viewer::PaintMosaic(canvas, *file, nullptr);
        }
    }
};

// Writes output, the picture made of file: a failure of reading the tileset meanwhile (a file cut
// short as it is rewritten) is the tileset's, and named so.
std::optional<Failure> WriteFrom(const tileset::TilesetFile& file, const std::string& tileset,
                                 const std::string& output, const std::function<void()>& write) {
    auto failure = Attempt(Step::Writing, output, write);
    if (failure && file.ReadFailed()) {
        failure->step = Step::Reading;
        failure->file = tileset;
    }
    return failure;
}

}  // namespace

std::optional<Failure> ExportTileset(const std::string& tileset, const std::string& output,
                                     const Confirmation& confirm, const ExportOptions& options) {
    if (auto failure = RefusedNames(tileset, output)) {
        return failure;
    }
    const std::optional<viewer::ExportFormat> format = viewer::ExportFormatOf(output);
    if (!format) {
        return Failure{Step::Arguments, output,
                       ShellQuoted(output) + " would write nothing: OUTPUT must end in " +
                           viewer::EndingsInWords(true) + ", exactly (lower case)"};
    }
    const viewer::ExportWriter& writer = viewer::WriterOf(*format);
    OpenedTileset opened;
    auto failure = Attempt(Step::Reading, tileset, [&] { opened.Open(tileset, writer.reads); });
    if (!failure) {
        failure = WriteFrom(*opened.file, tileset, output, [&] {
            writer.write({.canvas = opened.canvas,
                          .seeThrough = opened.seeThrough,
                          .tiles = opened.file->Tiles(),
                          .file = &*opened.file,
                          .columns = options.columns},
                         output);
        });
    }
    if (!failure) {
        confirm(writer.saved);
    }
    return failure;
}

std::optional<Failure> ExportThumbnail(const std::string& tileset, const std::string& output,
                                       int size) {
    if (auto failure = RefusedNames(tileset, output)) {
        return failure;
    }
    std::optional<tileset::TilesetFile> file;
    auto failure = Attempt(Step::Reading, tileset, [&] { file.emplace(tileset); });
    if (!failure) {
        failure = WriteFrom(*file, tileset, output,
                            [&] { tileset::SaveTilesetThumbnail(*file, output, size); });
    }
    return failure;
}

}  // namespace orvane::cli
