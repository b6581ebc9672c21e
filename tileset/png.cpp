#include "tileset/png.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <limits>
#include <mutex>
#include <new>

#include "platform/binary_file.h"
#include "platform/files.h"
#include "platform/parallel.h"
#include "platform/runtime_error.h"
#include "png/band_reader.h"
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

// The room for tiles is checked at least this far ahead, so that a sheet drawn cell by cell does
// not ask the system at every cell.
constexpr std::size_t kCheckAhead = std::size_t{16} << 20;

[[noreturn]] void Refuse(const std::string& reason) {
    RaiseBecause(ErrorNumber::InvalidFileFormat, reason);
}

// "1 cell", "2 cells".
std::string Count(std::int64_t number, const char* one, const char* many) {
    return std::to_string(number) + " " + (number == 1 ? one : many);
}

std::string SizeOf(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// "its width is 4 pixels over a multiple of 32 (96)", or nothing when both sides are whole cells.
std::string OffTheCells(std::uint32_t width, std::uint32_t height) {
    std::string off;
    const auto side = [&](const char* name, std::uint32_t pixels) {
        if (const std::uint32_t over = pixels % kTileSize; over != 0) {
            off +=
                (off.empty() ? "its " : " and its ") + std::string(name) + " is " +
                (pixels < kTileSize
                     ? Count(pixels, "pixel", "pixels") + ", less than " + std::to_string(kTileSize)
                     : Count(over, "pixel", "pixels") + " over a multiple of " +
                           std::to_string(kTileSize) + " (" + std::to_string(pixels - over) + ")");
        }
    };
    side("width", width);
    side("height", height);
    return off;
}

// What a picture records under a keyword, or nothing.
using Records = std::function<std::optional<std::string>(std::string_view keyword)>;

// A number from 0 to most written plainly, or nothing.
std::optional<int> PlainNumber(const std::string& text, int most) {
    int value = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < 0 || value > most) {
        return std::nullopt;
    }
    return value;
}

// The recorded count, which must be a count of tiles the picture's cells can hold.
std::optional<int> NotedCount(const std::optional<std::string>& text, std::int64_t cells) {
    if (!text) {
        return std::nullopt;
    }
    const std::optional<int> noted = PlainNumber(*text, std::numeric_limits<int>::max());
    if (!noted) {
        Refuse("its '" + std::string(kTileCountKeyword) + "' record, '" + *text +
               "', is not a count of tiles");
    }
    if (*noted > kMaxTiles) {
        Refuse("it records " + Count(*noted, "tile", "tiles") + ", more than the " +
               std::to_string(kMaxTiles) + " a tileset holds");
    }
    if (*noted > cells) {
        Refuse("it records " + Count(*noted, "tile", "tiles") + " but has only " +
               Count(cells, "cell", "cells") + " of 32 x 32 pixels");
    }
    return noted;
}

// The header's free words as recorded: 0 where nothing is.
FreeWords NotedWords(const Records& record) {
    const auto word = [&](std::string_view keyword) {
        const std::optional<std::string> text = record(keyword);
        if (!text) {
            return WORD{0};
        }
        const std::optional<int> value = PlainNumber(*text, 0xFFFF);
        if (!value) {
            Refuse("its '" + std::string(keyword) + "' record, '" + *text +
                   "', is not a number from 0 to 65535");
        }
        return static_cast<WORD>(*value);
    };
    return {word(kFirstWordKeyword), word(kLastWordKeyword)};
}

// The picture's cells cut into tiles as its pixels come: a band of whole rows of cells at a time,
// in any order and on any thread, or a scanline at a time. The tiles take memory only up to the
// last cell drawn (or the count the picture records), however many cells the picture declares.
// Which cells are drawn, and so how many tiles they make, is settled in reading order.
class Sheet {
  public:
    // Refuses a picture whose sides are not whole cells, or that has more cells than are read.
    Sheet(std::uint32_t width, std::uint32_t height)
        : across_(static_cast<int>(width / kTileSize)),
          rows_(static_cast<int>(height / kTileSize)) {
        if (const std::string off = OffTheCells(width, height); !off.empty()) {
            Refuse("the picture is " + SizeOf(width, height) + ": " + off);
        }
        // Every cell is read, to find the last one drawn: a bound on them bounds the time.
        if (Cells() > kMostCells) {
            Refuse("the picture is " + SizeOf(width, height) + ", " + std::to_string(Cells()) +
                   " cells: more than the " + std::to_string(kMostCells) + " that are read");
        }
        room_ = platform::detail::PixelMemory::Reserve(
            static_cast<std::size_t>(std::min<std::int64_t>(Cells(), kMaxTiles)) * kTileBytes);
        if (!room_) {
            throw std::bad_alloc();
        }
        drawn_.resize(static_cast<std::size_t>(Cells()));
        nudged_.resize(static_cast<std::size_t>(rows_));
    }

    std::int64_t Cells() const { return std::int64_t{across_} * rows_; }

    // The cells of rows: whole rows of cells, RGBA rows of the picture's width from firstRow on.
    // Bands may be cut on several threads at once, each band once.
    void Cut(std::uint32_t firstRow, std::span<const std::uint8_t> rows) {
        const int width = across_ * kTileSize;
        const std::size_t rowOfCells = BandBytes(width);
        std::array<BYTE, kTileBytes> tile{};
        for (std::size_t at = 0; at < rows.size(); at += rowOfCells) {
            const int row = static_cast<int>(firstRow / kTileSize + at / rowOfCells);
            for (int cell = 0; cell < across_; ++cell) {
                const std::int64_t index = std::int64_t{row} * across_ + cell;
                const CellCut cut = CutCell(rows.subspan(at, rowOfCells), width, cell, tile);
                if (cut.transparent) {
                    continue;  // the room it may take is filled with the key colour already
                }
                drawn_[static_cast<std::size_t>(index)] = 1;
                // Nudged pixels are opaque: their cell is kept.
                nudged_[static_cast<std::size_t>(row)] += cut.nudged;
                if (index < kMaxTiles) {
                    Grow(index + 1);
                    std::copy(tile.begin(), tile.end(), Tile(index));
                }
            }
        }
    }

    // The pixels of a scanline, on one thread, scanlines in the order the file holds them.
    void Take(const png::Scanline& line) {
        const std::uint8_t* in = line.pixels.data();
        for (std::uint32_t x = line.first; in != line.pixels.data() + line.pixels.size();
             x += line.step, in += kRgbaBytes) {
            TakePixel(x, line.row, in);
        }
        // The last scanline of a row of cells that spans the row: no pixel of that row of
        // cells is still to come, in any pass.
        if (line.row % kTileSize == kTileSize - 1 && line.first == 0 && line.step == 1) {
            Settle(static_cast<int>(line.row / kTileSize) + 1);
        }
    }

    // The RGBA pixel at column x of row `row`, on one thread, in the order the file holds it.
    void TakePixel(std::uint32_t x, std::uint32_t row, const std::uint8_t* in) {
        if (!IsOpaque(in)) {
            return;
        }
        const std::uint32_t cellRow = row / kTileSize;
        const std::int64_t index = std::int64_t{cellRow} * across_ + x / kTileSize;
        drawn_[static_cast<std::size_t>(index)] = 1;
        if (index >= kMaxTiles) {
            return;  // refused once its row of cells is settled
        }
        if (index >= grown_) {
            Grow(index + 1);
        }
        // Stored column by column.
        nudged_[cellRow] += PutOpaque(
            in, Tile(index) + (std::size_t{x % kTileSize} * kTileSize + row % kTileSize) * 3);
    }

    // Takes account of the rows of cells cut up to `rows`, in order: refuses once a cell drawn
    // among them lies past the most tiles a tileset holds.
    void Settle(int rows) {
        for (; settled_ < rows; ++settled_) {
            for (int cell = 0; cell < across_; ++cell) {
                const std::int64_t index = std::int64_t{settled_} * across_ + cell;
                if (drawn_[static_cast<std::size_t>(index)] != 0) {
                    lastDrawn_ = index + 1;
                }
            }
            if (lastDrawn_ > kMaxTiles) {
                Refuse("it holds more than the " + std::to_string(kMaxTiles) +
                       " tiles a tileset can: cell " + std::to_string(lastDrawn_) + " is drawn");
            }
        }
    }

    // The tiles up to the count the picture records or to the last cell drawn, whichever is
    // further, and the free words it records; refused when that is no tile.
    PictureTiles Finish(const Records& record) {
        Settle(rows_);
        PictureTiles result;
        result.noted = NotedCount(record(kTileCountKeyword), Cells());
        result.words = NotedWords(record);
        result.count =
            static_cast<int>(std::max<std::int64_t>(lastDrawn_, result.noted.value_or(0)));
        if (result.count == 0) {
            Refuse("the picture holds no tiles");
        }
        Grow(result.count);
        for (const std::int64_t nudged : nudged_) {
            result.nudged += nudged;
        }
        result.memory = std::move(room_);
        return result;
    }

  private:
    BYTE* Tile(std::int64_t index) const {
        return room_.get() + static_cast<std::size_t>(index) * kTileBytes;
    }

    // Tiles up to `cells` in memory, those that are new wholly see-through: a cell that no band
    // draws stays so. Raises OutOfMemory (7) when the system could not back them.
    void Grow(std::int64_t cells) {
        const std::lock_guard lock(growing_);
        if (cells <= grown_) {
            return;
        }
        const auto bytes = static_cast<std::size_t>(cells) * kTileBytes;
        if (bytes > checked_) {
            const std::size_t ahead = std::min(
                std::max(bytes, checked_ + kCheckAhead),
                static_cast<std::size_t>(std::min<std::int64_t>(Cells(), kMaxTiles)) * kTileBytes);
            if (!platform::detail::CanBeBacked(ahead - checked_)) {
                RaiseBecause(ErrorNumber::OutOfMemory,
                             Count(cells, "tile", "tiles") + " take more memory than is left");
            }
            checked_ = ahead;
        }
        for (BYTE* pixel = Tile(grown_); pixel != Tile(cells); pixel += 3) {
            pixel[0] = kKeyRed;
            pixel[1] = kKeyGreen;
            pixel[2] = kKeyBlue;
        }
        grown_ = cells;
    }

    int across_;
    int rows_;
    platform::detail::PixelMemory room_;  // for every tile the picture's cells could hold
    std::mutex growing_;
    std::int64_t grown_ = 0;            // tiles in memory, from the first on
    std::size_t checked_ = 0;           // bytes of room_ known to be backed
    std::vector<std::uint8_t> drawn_;   // for each cell: not wholly transparent
    std::vector<std::int64_t> nudged_;  // for each row of cells
    int settled_ = 0;
    std::int64_t lastDrawn_ = 0;  // cells up to the last drawn among those settled
};

// No side may hold more cells than a tileset has tiles.
constexpr auto kLargestSide = static_cast<std::uint32_t>(kMaxTiles) * kTileSize;
const png::ReadLimits kLimits{.width = kLargestSide, .height = kLargestSide};

// A PNG that orvane-export wrote, its bands read on every processor; nothing for any other, or
// for one that is not quite as the writer makes it, which TilesFromRows then reads and judges.
std::optional<PictureTiles> TilesFromBands(platform::BinaryFile& file) {
    const std::optional<png::BandReader> reader = png::BandReader::Open(
        [&](std::uint64_t offset, std::span<std::uint8_t> out) {
            return file.Get(static_cast<std::int64_t>(offset) + 1, out);
        },
        static_cast<std::uint64_t>(file.Length()), kLimits);
    if (!reader || reader->BandRows() % kTileSize != 0) {
        return std::nullopt;
    }
    Sheet sheet(reader->Width(), reader->Height());
    if (!reader->ReadBands(
            [&](std::uint64_t offset, std::span<std::uint8_t> out) {
                return file.GetUnbuffered(static_cast<std::int64_t>(offset) + 1, out);
            },
            platform::UsableProcessors(),
            [&](std::uint32_t firstRow, std::span<const std::uint8_t> rows) {
                sheet.Cut(firstRow, rows);
            })) {
        return std::nullopt;
    }
    return sheet.Finish([&](std::string_view keyword) { return reader->Text(keyword); });
}

// Reads a PNG from its first row, a row at a time.
png::PngReader RowReader(platform::BinaryFile& file) {
    return png::PngReader(
        [&file, position = std::int64_t{1}](std::span<std::uint8_t> out) mutable {
            const std::size_t got = file.Get(position, out);
            position += static_cast<std::int64_t>(got);
            return got;
        },
        kLimits);
}

// Tiles of a side of `pixels` as Tiled slices it: whole tiles from the margin on, a spacing apart.
int TilesAlong(std::uint32_t pixels, const TileGrid& grid) {
    const std::int64_t room = std::int64_t{pixels} - grid.margin + grid.spacing;
    return room < kTileSize + grid.spacing ? 0
                                           : static_cast<int>(room / (kTileSize + grid.spacing));
}

// Where a picture's pixel lies on the tiles Tiled cuts of the picture, one axis at a time: its
// place among those tiles' pixels put side by side, or nothing in a margin, a spacing or past the
// last of `tiles`.
std::optional<std::uint32_t> OnTheTiles(std::uint32_t pixel, const TileGrid& grid, int tiles) {
    if (pixel < static_cast<std::uint32_t>(grid.margin)) {
        return std::nullopt;
    }
    const std::uint32_t pitch = kTileSize + static_cast<std::uint32_t>(grid.spacing);
    const std::uint32_t tile = (pixel - static_cast<std::uint32_t>(grid.margin)) / pitch;
    const std::uint32_t within = (pixel - static_cast<std::uint32_t>(grid.margin)) % pitch;
    if (tile >= static_cast<std::uint32_t>(tiles) || within >= kTileSize) {
        return std::nullopt;
    }
    return tile * kTileSize + within;
}

// Any PNG, read a scanline at a time.
PictureTiles TilesFromRows(platform::BinaryFile& file) {
    png::PngReader reader = RowReader(file);
    Sheet sheet(reader.Width(), reader.Height());
    while (const std::optional<png::Scanline> line = reader.NextScanline()) {
        sheet.Take(*line);
    }
    reader.Finish();
    return sheet.Finish([&](std::string_view keyword) { return reader.Text(keyword); });
}

[[noreturn]] void RefusePicture(const png::Error& error) {
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

// At most `most` of `tiles`; InvalidPicture (481) for none.
int ShownTiles(int tiles, int most) {
    if (tiles <= 0) {
        // As for a bitmap of the canvas: a picture of no pixels cannot be saved.
        RaiseBecause(ErrorNumber::InvalidPicture, "the tileset has no tiles");
    }
    return std::min(tiles, most);
}

// A PNG of width × height into file, its rows from source; the caller commits it.
void WritePngInto(platform::PendingFile& file, int width, int height,
                  const png::WriteOptions& options, const png::RowSource& source) {
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
}

// The mosaic of count tiles as a PNG of size, its rows from source, recording the count and the
// free words (when either is not 0: a tileset that has none makes the file it always made). Bands
// are whole rows of tiles, so that a band reads its tiles alone, and every source of one mosaic
// makes the same file.
void WriteMosaicPng(platform::PendingFile& output, int count, MosaicSize size, FreeWords words,
                    const png::RowSource& source) {
    png::WriteOptions options{
        .bandRows = png::BandRowsFor(static_cast<std::uint32_t>(size.width), kTileSize),
        .threads = platform::UsableProcessors(),
        .texts = {{std::string(kTileCountKeyword), std::to_string(count)}},
    };
    if (words.first != 0 || words.last != 0) {
        options.texts.push_back({std::string(kFirstWordKeyword), std::to_string(words.first)});
        options.texts.push_back({std::string(kLastWordKeyword), std::to_string(words.last)});
    }
    WritePngInto(output, size.width, size.height, options, source);
}

}  // namespace

void WritePngFile(const std::string& output, int width, int height,
                  const png::WriteOptions& options, const png::RowSource& source) {
    platform::PendingFile file(output);
    WritePngInto(file, width, height, options, source);
    file.Commit();
}

int TilesToShow(const TilesetFile& file, int most) {
    return ShownTiles(file.Tiles(), most);
}

void SaveTilesetAsPng(TilesetFile& file, const std::string& output,
                      const PngExportOptions& options) {
    platform::PendingFile pending(output);
    SaveTilesetAsPng(file, pending, options);
    pending.Commit();
}

namespace {

// The mosaic of count tiles, read a band at a time by read(first, out), as a PNG into output.
void SaveTilesAsPng(int count, const std::function<void(int, std::span<BYTE>)>& read,
                    FreeWords words, platform::PendingFile& output,
                    const PngExportOptions& options) {
    if (options.columns < 1 || options.columns > kMaxTiles) {
        RaiseBecause(ErrorNumber::InvalidPropertyValue,
                     "columns must be 1 to " + std::to_string(kMaxTiles));
    }
    count = ShownTiles(count, kMaxTiles);
    const int perRow = std::min(options.columns, count);
    const MosaicSize size = MosaicSizeFor(count, options.columns);
    const std::size_t rowOfTiles = BandBytes(size.width);
    const std::size_t tilesOfARow = static_cast<std::size_t>(perRow) * kTileBytes;
    // Called on several threads: each reads the rows of tiles of its band of rows.
    const auto source = [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
        const int first = static_cast<int>(firstRow / kTileSize) * perRow;
        const int tiles =
            std::min(count - first, static_cast<int>(rows.size() / rowOfTiles) * perRow);
        std::vector<BYTE> band(static_cast<std::size_t>(tiles) * kTileBytes);
        read(first, band);
        for (std::size_t row = 0; row * rowOfTiles < rows.size(); ++row) {
            const std::size_t from = row * tilesOfARow;
            PaintMosaicBand(std::span<const BYTE>(band).subspan(
                                from, std::min(tilesOfARow, band.size() - from)),
                            size.width, rows.subspan(row * rowOfTiles, rowOfTiles));
        }
    };
    WriteMosaicPng(output, count, size, words, source);
}

}  // namespace

void SaveTilesetAsPng(TilesetFile& file, platform::PendingFile& output,
                      const PngExportOptions& options) {
    SaveTilesAsPng(
        file.Tiles(), [&](int first, std::span<BYTE> out) { file.ReadTiles(first, out); },
        FreeWordsOf(file.Header()), output, options);
}

void SaveTilesetAsPng(std::span<const BYTE> tiles, const std::string& output,
                      const PngExportOptions& options, FreeWords words) {
    platform::PendingFile file(output);
    SaveTilesAsPng(
        static_cast<int>(tiles.size() / kTileBytes),
        [&](int first, std::span<BYTE> out) {
            std::copy_n(tiles.begin() + static_cast<std::ptrdiff_t>(first) * kTileBytes, out.size(),
                        out.begin());
        },
        words, file, options);
    file.Commit();
}

void SaveTilesetAsPng(const PaintedMosaic& mosaic, const std::string& output) {
    const int count = ShownTiles(mosaic.tiles, kMaxTiles);
    platform::PendingFile file(output);
    WriteMosaicPng(file, count, MosaicSizeFor(count, kTilesPerRow), mosaic.words,
                   [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
                       CopyPaintedRows(mosaic, static_cast<int>(firstRow), rows);
                   });
    file.Commit();
}

PictureTiles TilesFromPng(const std::string& picture) {
    platform::BinaryFile file(picture);
    try {
        if (std::optional<PictureTiles> tiles = TilesFromBands(file)) {
            return std::move(*tiles);
        }
        return TilesFromRows(file);
    } catch (const png::Error& error) {
        RefusePicture(error);
    }
}

// Each pixel of a tile is put where it would be on a sheet of those tiles without margin or
// spacing, a scanline at a time as for any PNG.
PictureTiles TilesFromGrid(const std::string& picture, const TileGrid& grid) {
    platform::BinaryFile file(picture);
    try {
        png::PngReader reader = RowReader(file);
        const int across = TilesAlong(reader.Width(), grid);
        const int rows = across > 0 ? TilesAlong(reader.Height(), grid) : 0;
        Sheet sheet(static_cast<std::uint32_t>(across * kTileSize),
                    static_cast<std::uint32_t>(rows * kTileSize));
        std::array<std::uint8_t, kRgbaBytes> pixel{};
        while (const std::optional<png::Scanline> line = reader.NextScanline()) {
            const std::optional<std::uint32_t> row = OnTheTiles(line->row, grid, rows);
            if (!row) {
                continue;
            }
            const std::uint8_t* in = line->pixels.data();
            for (std::uint32_t x = line->first; in != line->pixels.data() + line->pixels.size();
                 x += line->step, in += kRgbaBytes) {
                if (const std::optional<std::uint32_t> column = OnTheTiles(x, grid, across)) {
                    std::copy_n(in, kRgbaBytes, pixel.begin());
                    if (grid.trans && std::ranges::equal(*grid.trans, std::span(pixel).first(3))) {
                        pixel[3] = 0;
                    }
                    sheet.TakePixel(*column, *row, pixel.data());
                }
            }
            if (*row % kTileSize == kTileSize - 1 && line->first == 0 && line->step == 1) {
                sheet.Settle(static_cast<int>(*row / kTileSize) + 1);
            }
        }
        reader.Finish();
        return sheet.Finish([&](std::string_view keyword) -> std::optional<std::string> {
            std::optional<std::string> recorded = grid.record(keyword);
            if (!recorded && keyword == kTileCountKeyword && grid.tileCount) {
                return std::to_string(std::min<std::int64_t>(*grid.tileCount, sheet.Cells()));
            }
            return recorded;
        });
    } catch (const png::Error& error) {
        RefusePicture(error);
    }
}

}  // namespace orvane::tileset
