#include "viewer/selection_export.h"

#include <string>

#include "platform/msgbox.h"
#include "tileset/png.h"
#include "viewer/main_form.h"
#include "viewer/mosaic_view.h"
#include "viewer/tile_block.h"

namespace orvane::viewer {
namespace {

constexpr char kSelectionFilter[] = "Tilesets|*.tst|Pngs|*.png";
constexpr char kExportSelectionTitle[] = "Export Selection";
constexpr std::string_view kTilesetEnding = "tst";

}  // namespace

std::vector<BYTE> TilesOnCanvas(const platform::BitmapBits& canvas,
                                const tileset::SeeThroughMask& seeThrough,
                                std::span<const int> tiles) {
    std::vector<BYTE> out(tiles.size() * tileset::kTileBytes);
    BYTE* pixel = out.data();
    for (const int tile : tiles) {
        const PixelRect cell = TileRect(tile);
        // The file stores a tile column by column, each from the top down, red first.
        for (int x = cell.x; x < cell.x + cell.width; ++x) {
            for (int y = cell.y; y < cell.y + cell.height; ++y, pixel += 3) {
                if (seeThrough.Test(x, y)) {
                    pixel[0] = tileset::kKeyRed;
                    pixel[1] = tileset::kKeyGreen;
                    pixel[2] = tileset::kKeyBlue;
                } else {
                    const BYTE* bgr = canvas.Row(y) + std::ptrdiff_t{3} * x;
                    pixel[0] = bgr[2];
                    pixel[1] = bgr[1];
                    pixel[2] = bgr[0];
                }
            }
        }
    }
    return out;
}

// The tiles come off the canvas, as every export of the window takes what it shows: the file is
// not read again. A new tileset keeps the shown one's free header words.
void MainForm::mnuExportSelection_Click(const std::optional<TileBlock>& block) {
    if (bTilesetLoaded && !block) {
        platform::MsgBox(kNothingSelected);
        return;
    }
    if (!AskSaveName(kSelectionFilter, kExportSelectionTitle)) {
        return;
    }
    const std::string& name = CommonDialog1.FileName();
    const std::string_view last =
        std::string_view(name).substr(name.size() - std::min<std::size_t>(3, name.size()));
    const std::vector<int> tiles = TilesOf(*block, TilesetHeader.TileCount);
    if (last == kTilesetEnding) {
        tileset::WriteTileset(name, TilesOnCanvas(Picture1.Bits(), seeThrough_, tiles),
                              tileset::FreeWordsOf(TilesetHeader));
        platform::MsgBox(kTilesetSaved);
    } else if (ExportFormatOf(name) == ExportFormat::Png) {
        tileset::SaveTilesetAsPng(TilesOnCanvas(Picture1.Bits(), seeThrough_, tiles), name,
                                  {.columns = block->Columns()},
                                  tileset::FreeWordsOf(TilesetHeader));
        platform::MsgBox(WriterOf(ExportFormat::Png).saved);
    } else if (!name.empty()) {
        platform::MsgBox(kNothingExportedOfSelection);
    }
}

}  // namespace orvane::viewer
