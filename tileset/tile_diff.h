// What changed between two versions of a tileset, tile by tile at the same number, and a picture
// of it: which tiles a map that uses the numbers would now show differently.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace orvane::tileset {

struct TileChange {
    enum class Kind { Changed, Added, Removed };
    Kind kind = Kind::Changed;
    int tile = 0;    // from 0
    int pixels = 0;  // of a changed tile, how many differ in any of their bytes
};

// The tiles of a (before) and b (after), whole tiles each, compared at each number: changed where
// both hold it and its bytes differ, added where only b holds it, removed where only a does. In
// the order of the tiles.
std::vector<TileChange> DiffTiles(std::span<const BYTE> a, std::span<const BYTE> b);

// The outlines of the difference picture, red, green, blue, alpha: colours no tile is likely to
// hide, and that the colour-blind tell apart by brightness too.
using Rgba = std::array<std::uint8_t, 4>;
inline constexpr Rgba kChangedOutline = {255, 170, 0, 255};  // amber
inline constexpr Rgba kAddedOutline = {0, 120, 255, 255};    // blue
inline constexpr Rgba kRemovedOutline = {200, 0, 40, 255};   // red
// Pixels each outline is thick, inside the tile's cell.
inline constexpr int kOutlineWidth = 2;

// b's mosaic as a PNG, 19 tiles to a row, with a cell for every tile either tileset holds: the
// tiles as an exported PNG shows them (see-through pixels transparent), changed tiles outlined in
// kChangedOutline, added ones in kAddedOutline, and the cells of removed tiles empty but outlined
// in kRemovedOutline. changes are DiffTiles(a, b). An existing output is replaced only once the
// new file is complete. Raises InvalidPicture (481) when neither tileset has tiles, and
// PendingFile's errors.
void SaveDiffPng(std::span<const BYTE> b, std::span<const TileChange> changes,
                 const std::string& output);

}  // namespace orvane::tileset
