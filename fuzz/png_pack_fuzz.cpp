// orvane-pack's reading of a picture, on arbitrary bytes: whatever the file holds, TilesFromPng
// must neither crash nor read outside its buffers. It gives whole tiles, at least one, no more
// than a tileset holds and no fewer than the picture records, or refuses the picture (321).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/memory_file.h"
#include "fuzz/png_size.h"
#include "platform/runtime_error.h"
#include "tileset/png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::tileset;
#ifdef ORVANE_LIBFUZZER
    if (orvane::fuzz::ClaimsMorePixels(data, size, std::uint64_t{1} << 20)) {
        return -1;
    }
#endif
    const orvane::fuzz::MemoryFile file(data, size);
    try {
        const PictureTiles tiles = TilesFromPng(file.Name());
        if (tiles.count < 1 || tiles.count > kMaxTiles || tiles.memory.get() == nullptr ||
            tiles.noted.value_or(0) > tiles.count) {
            std::abort();
        }
        // Every byte of the tiles is there to be read.
        unsigned sum = 0;
        for (const BYTE byte : tiles.Tiles()) {
            sum += byte;
        }
        if (sum == 0) {
            std::abort();  // a tile holds at least the key colour's 1s and 2s
        }
    } catch (const orvane::platform::RuntimeError& error) {
        if (error.Number() != static_cast<int>(orvane::platform::ErrorNumber::InvalidFileFormat)) {
            std::abort();
        }
    }
    return 0;
}
