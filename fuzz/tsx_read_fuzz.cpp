// orvane-pack's reading of a Tiled tileset, on arbitrary bytes. An input that begins with '<' is
// a .tsx's text: ParseTsx must neither crash nor let anything but a refusal (321) through, and
// what it keeps stays within the ranges it promises. Any other input is four bytes of a grid
// (margin, spacing, whether a colour is see-through, Tiled's count) and a PNG cut by it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "fuzz/memory_file.h"
#include "fuzz/png_size.h"
#include "platform/runtime_error.h"
#include "tileset/png.h"
#include "tileset/tsx.h"

namespace {

using namespace orvane::tileset;

void ParseText(std::string_view text) {
    const TsxTileset tileset = ParseTsx(text);
    if (tileset.tileWidth < 0 || tileset.tileHeight < 0 || tileset.margin < 0 ||
        tileset.spacing < 0 || tileset.tileCount.value_or(0) < 0 || tileset.ignored.size() > 16) {
        std::abort();
    }
}

void CutGrid(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return;
    }
    const orvane::fuzz::MemoryFile file(data + 4, size - 4);
    const TileGrid grid{.margin = data[0] & 0x3F,
                        .spacing = data[1] & 0x3F,
                        .trans = (data[2] & 1) != 0
                                     ? std::optional(std::array<std::uint8_t, 3>{0, data[2], 0})
                                     : std::nullopt,
                        .tileCount = data[3] == 0 ? std::nullopt : std::optional<int>(data[3] * 4),
                        .record = [](std::string_view) { return std::optional<std::string>(); }};
    const PictureTiles tiles = TilesFromGrid(file.Name(), grid);
    if (tiles.count < 0 || tiles.count > kMaxTiles ||
        tiles.Tiles().size() != static_cast<std::size_t>(tiles.count) * kTileBytes ||
        tiles.noted.value_or(0) > tiles.count) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#ifdef ORVANE_LIBFUZZER
    // As for the PNG target: the picture follows the grid's four bytes.
    if (size > 4 && data[0] != '<' &&
        orvane::fuzz::ClaimsMorePixels(data + 4, size - 4, std::uint64_t{1} << 20)) {
        return -1;
    }
#endif
    try {
        if (size > 0 && data[0] == '<') {
            ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
        } else {
            CutGrid(data, size);
        }
    } catch (const orvane::platform::RuntimeError& error) {
        if (error.Number() != static_cast<int>(orvane::platform::ErrorNumber::InvalidFileFormat)) {
            std::abort();
        }
    }
    return 0;
}
