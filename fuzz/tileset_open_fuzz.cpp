// File > Open on arbitrary bytes: whatever the file holds, the command must neither crash nor
// read outside its buffers. A file that holds every tile its header counts is opened, the canvas
// at the size the header asks for; any other is refused as damaged, and nothing changes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/memory_file.h"
#include "platform/runtime_error.h"
#include "viewer/main_form.h"
#include "viewer/tileset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::viewer;
#ifdef ORVANE_LIBFUZZER
    // Counts up to the first tile of a second row reach every case of the header, of a short
    // file and of the mosaic's rows. Larger ones only add mosaics taller than the drawing area
    // and reads beyond the first block of tiles, at some 70 us a tile: fuzzed, they would hold
    // the fuzzer to a few hundred inputs a second. Saved inputs replay whatever their count, and
    // the tests paint the tallest mosaics.
    if (size >= 4) {
        std::int16_t count;
        std::memcpy(&count, data + 2, sizeof count);
        if (count > kTilesPerRow + 1) {
            return -1;
        }
    }
#endif
    const orvane::fuzz::MemoryFile file(data, size);
    ScriptedDialog dialog({file.Name()});
    MainForm form(dialog);
    const int designWidth = form.Picture1.PixelWidth();
    // The file's layout and the mosaic's, stated here rather than taken from the code under test:
    // a 6-byte header, tiles of 32 x 32 pixels of 3 bytes, 19 tiles a row and at least one row.
    constexpr std::int64_t kHeader = 6, kTile = 32 * 32 * 3;
    const auto bytes = static_cast<std::int64_t>(size);
    std::int16_t count = 0;
    if (bytes >= kHeader) {
        std::memcpy(&count, data + 2, sizeof count);
    }
    const bool whole = bytes >= kHeader + std::max(0, int{count}) * kTile;
    try {
        form.mnuOpen_Click();
    } catch (const orvane::platform::RuntimeError& error) {
        if (whole || error.Number() != 321 || form.bTilesetLoaded ||
            form.Picture1.PixelWidth() != designWidth) {
            std::abort();
        }
        return 0;
    }
    if (!whole || !form.bTilesetLoaded ||
        form.Picture1.PixelWidth() != 32 * std::clamp(int{count}, 0, 19) ||
        form.Picture1.PixelHeight() != 32 * std::max(1, (count + 18) / 19)) {
        std::abort();
    }
    return 0;
}
