#include "tileset/png.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/binary_file.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "platform/runtime_error.h"
#include "png/png_reader.h"
#include "tileset/picture.h"

namespace orvane::tileset {
namespace {

using platform::ErrorNumber;
using platform::RaiseBecause;

// The writer hands over each chunk as it is made; writes to the file go out in pieces this large.
constexpr std::size_t kWriteBytes = std::size_t{256} << 10;

// The cells of a picture that orvane-pack reads: room for the most tiles a tileset holds, in a
// sheet of any shape with plenty of empty cells (a 32768-pixel square).
constexpr std::int64_t kMostCells = std::int64_t{1} << 20;

[[noreturn]] void Refuse(const std::string& reason) {
    RaiseBecause(ErrorNumber::InvalidFileFormat, reason);
}

std::string SizeOf(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// "its width is 4 pixels over a multiple of 32", or nothing when both sides are whole cells.
std::string OffTheCells(std::uint32_t width, std::uint32_t height) {
    std::string off;
    const auto side = [&](const char* name, std::uint32_t pixels) {
        if (const std::uint32_t over = pixels % kTileSize; over != 0) {
            off += (off.empty() ? "its " : " and its ") + std::string(name) + " is " +
                   std::to_string(over) + " pixels over a multiple of " +
                   std::to_string(kTileSize) + " (" + std::to_string(pixels - over) + ")";
        }
    };
    side("width", width);
    side("height", height);
    return off;
}

// The recorded count, which must be a count of tiles the picture's cells can hold.
std::optional<int> NotedCount(const std::optional<std::string>& text, std::int64_t cells) {
    if (!text) {
        return std::nullopt;
    }
    int noted = -1;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, noted);
    if (error != std::errc() || stop != end || noted < 0) {
        Refuse("its '" + std::string(kTileCountKeyword) + "' text, '" + *text +
               "', is not a count of tiles");
    }
    if (noted > kMaxTiles) {
        Refuse("it records " + std::to_string(noted) + " tiles, more than the " +
               std::to_string(kMaxTiles) + " a tileset holds");
    }
    if (noted > cells) {
        Refuse("it records " + std::to_string(noted) + " tiles but has only " +
               std::to_string(cells) + " cells of 32 x 32 pixels");
    }
    return noted;
}

// At most `most` of `tiles`; InvalidPicture (481) for none.
int ShownTiles(int tiles, int most) {
    if (tiles <= 0) {
        // As for a bitmap of the canvas: a picture of no pixels cannot be saved.
        RaiseBecause(ErrorNumber::InvalidPicture, "the tileset has no tiles");
    }
    return std::min(tiles, most);
}

// The mosaic of count tiles as a PNG of size, its rows from source, recording the count. Bands
// are whole rows of tiles, so that a band reads its tiles alone, and every source of one mosaic
// makes the same file.
void WriteMosaicPng(const std::string& output, int count, MosaicSize size,
                    const png::RowSource& source) {
    const png::WriteOptions options{
        .bandRows = png::BandRowsFor(static_cast<std::uint32_t>(size.width), kTileSize),
        .threads = platform::UsableProcessors(),
        .texts = {{std::string(kTileCountKeyword), std::to_string(count)}},
    };
    WritePngFile(output, size.width, size.height, options, source);
}

}  // namespace

void WritePngFile(const std::string& output, int width, int height,
                  const png::WriteOptions& options, const png::RowSource& source) {
    platform::PendingFile file(output);
    std::vector<std::uint8_t> pending;
    pending.reserve(kWriteBytes);
    png::WritePng(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), options,
                  source, [&](std::span<const std::uint8_t> bytes) {
                      if (pending.size() + bytes.size() > kWriteBytes) {
                          file.Write(pending);
                          pending.clear();
                      }
                      pending.insert(pending.end(), bytes.begin(), bytes.end());
                  });
    file.Write(pending);
    file.Commit();
}

int TilesToShow(const TilesetFile& file, int most) {
    return ShownTiles(file.Tiles(), most);
}

void SaveTilesetAsPng(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options) {
    if (options.columns < 1 || options.columns > kMaxTiles) {
        RaiseBecause(ErrorNumber::InvalidPropertyValue,
                     "columns must be 1 to " + std::to_string(kMaxTiles));
    }
    const int count = TilesToShow(file, kMaxTiles);
    const int perRow = std::min(options.columns, count);
    const MosaicSize size = MosaicSizeFor(count, options.columns);
    const std::size_t rowOfTiles = BandBytes(size.width);
    const std::size_t tilesOfARow = static_cast<std::size_t>(perRow) * kTileBytes;
    // Called on several threads: each reads the rows of tiles of its band of rows.
    WriteMosaicPng(output, count, size, [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
        const int first = static_cast<int>(firstRow / kTileSize) * perRow;
        const int tiles =
            std::min(count - first, static_cast<int>(rows.size() / rowOfTiles) * perRow);
        std::vector<BYTE> read(static_cast<std::size_t>(tiles) * kTileBytes);
        file.ReadTiles(first, read);
        for (std::size_t row = 0; row * rowOfTiles < rows.size(); ++row) {
            const std::size_t from = row * tilesOfARow;
            PaintMosaicBand(std::span<const BYTE>(read).subspan(
                                from, std::min(tilesOfARow, read.size() - from)),
                            size.width, rows.subspan(row * rowOfTiles, rowOfTiles));
        }
    });
}

void SaveTilesetAsPng(const PaintedMosaic& mosaic, const std::string& output) {
    const int count = ShownTiles(mosaic.tiles, kMaxTiles);
    WriteMosaicPng(output, count, MosaicSizeFor(count, kTilesPerRow),
                   [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
                       CopyPaintedRows(mosaic, static_cast<int>(firstRow), rows);
                   });
}

PictureTiles TilesFromPng(const std::string& picture) {
    platform::BinaryFile file(picture);
    std::int64_t position = 1;
    const png::Source source = [&](std::span<std::uint8_t> out) {
        const std::size_t got = file.Get(position, out);
        position += static_cast<std::int64_t>(got);
        return got;
    };
    // No side may hold more cells than a tileset has tiles.
    constexpr auto kLargest = static_cast<std::uint32_t>(kMaxTiles) * kTileSize;
    try {
        png::PngReader reader(source, {.width = kLargest, .height = kLargest});
        const std::uint32_t width = reader.Width();
        const std::uint32_t height = reader.Height();
        if (const std::string off = OffTheCells(width, height); !off.empty()) {
            Refuse("the picture is " + SizeOf(width, height) + ": " + off);
        }
        const int across = static_cast<int>(width / kTileSize);
        const std::int64_t cells = std::int64_t{across} * (height / kTileSize);
        // Every cell is read, to find the last one drawn: a bound on them bounds the time.
        if (cells > kMostCells) {
            Refuse("the picture is " + SizeOf(width, height) + ", " + std::to_string(cells) +
                   " cells: more than the " + std::to_string(kMostCells) + " that are read");
        }

        PictureTiles result;
        std::int64_t drawn = 0;  // cells up to the last that is not wholly transparent
        std::vector<std::uint8_t> band(BandBytes(across * kTileSize));
        std::array<BYTE, kTileBytes> beyond{};  // a cell past the most a tileset holds
        for (std::int64_t first = 0; first < cells; first += across) {
            reader.ReadRows(band);
            for (int cell = 0; cell < across; ++cell) {
                const std::int64_t index = first + cell;
                std::span<BYTE, kTileBytes> tile(beyond);
                if (index < kMaxTiles) {
                    result.tiles.resize(static_cast<std::size_t>(index + 1) * kTileBytes);
                    tile = std::span<BYTE, kTileBytes>(
                        result.tiles.data() + static_cast<std::size_t>(index) * kTileBytes,
                        kTileBytes);
                }
                const CellCut cut = CutCell(band, across * kTileSize, cell, tile);
                result.nudged += cut.nudged;  // nudged pixels are opaque: their cell is kept
                if (!cut.transparent) {
                    drawn = index + 1;
                }
            }
            if (drawn > kMaxTiles) {
                Refuse("it holds more than the " + std::to_string(kMaxTiles) +
                       " tiles a tileset can: cell " + std::to_string(drawn) + " is drawn");
            }
        }
        reader.Finish();

        result.noted = NotedCount(reader.Text(kTileCountKeyword), cells);
        result.count = static_cast<int>(std::max<std::int64_t>(drawn, result.noted.value_or(0)));
        result.tiles.resize(static_cast<std::size_t>(result.count) * kTileBytes);
        return result;
    } catch (const png::Error& error) {
        switch (error.kind()) {
            case png::Error::Kind::NotPng:
                Refuse(std::string("it is not a PNG picture (") + error.what() + ")");
            case png::Error::Kind::TooLarge:
                Refuse(std::string("the picture is too large to read (") + error.what() + ")");
            case png::Error::Kind::Damaged:
            case png::Error::Kind::Encoder:
                break;
        }
        Refuse(std::string("the PNG is damaged (") + error.what() + ")");
    }
}

}  // namespace orvane::tileset
