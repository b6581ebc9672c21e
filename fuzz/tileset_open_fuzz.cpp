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
    std::int16_t count = 0;
    if (size >= kTilesetHeaderBytes) {
        std::memcpy(&count, data + 2, sizeof count);
    }
    const bool whole =
        size >= kTilesetHeaderBytes &&
        static_cast<std::int64_t>(size) >=
            kTilesetHeaderBytes + std::int64_t{std::max<std::int16_t>(count, 0)} * kTileBytes;
    try {
        form.mnuOpen_Click();
    } catch (const orvane::platform::RuntimeError& error) {
        if (whole || error.Number() != 321 || form.bTilesetLoaded ||
            form.Picture1.PixelWidth() != designWidth) {
            std::abort();
        }
        return 0;
    }
    const MosaicSize mosaic = MosaicSizeFor(count);
    if (!whole || !form.bTilesetLoaded || form.Picture1.PixelWidth() != mosaic.width ||
        form.Picture1.PixelHeight() != mosaic.height) {
        std::abort();
    }
    return 0;
}
