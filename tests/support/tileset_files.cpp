#include "tests/support/tileset_files.h"

namespace orvane::testing {

Rgb Signature(int tile, int x, int y) {
    return {static_cast<BYTE>(tile & 0xFF), static_cast<BYTE>(0x80 | ((tile >> 8) & 0x7F)),
            static_cast<BYTE>(((x - 1) << 3) ^ (y - 1))};
}

COLORREF SignatureColour(int tile, int x, int y) {
    const Rgb c = Signature(tile, x, y);
    return RGB(c.r, c.g, c.b);
}

Rgb SeeThroughSignature(int tile, int x, int y) {
    if ((x + 2 * y + tile) % 5 == 0) {
        return {0, 1, 2};
    }
    if ((x * y + tile) % 13 == 0) {
        return {240, 240, 240};
    }
    return Signature(tile, x, y);
}

std::string TilesetBytes(std::int16_t tileCount, int tilesInFile, const TilePixels& pixels,
                         WORD word0, WORD word4) {
    std::string bytes;
    bytes.reserve(6 + static_cast<std::size_t>(tilesInFile) * 3072);
    const auto word = [&](unsigned value) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>((value >> 8) & 0xFF));
    };
    word(word0);
    word(static_cast<std::uint16_t>(tileCount));
    word(word4);
    for (int tile = 0; tile < tilesInFile; ++tile) {
        for (int x = 1; x <= 32; ++x) {
            for (int y = 1; y <= 32; ++y) {
                const Rgb c = pixels(tile, x, y);
                bytes.push_back(static_cast<char>(c.r));
                bytes.push_back(static_cast<char>(c.g));
                bytes.push_back(static_cast<char>(c.b));
            }
        }
    }
    return bytes;
}

}  // namespace orvane::testing
