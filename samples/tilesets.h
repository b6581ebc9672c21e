// The sample tilesets, each as the tiles in file order.
#pragma once

#include "samples/drawing.h"

namespace orvane::samples {

// 48 tiles in three rows: gradients, shapes, the digits and numbered tiles; some see-through.
Tiles DemoTiles();
// 57 tiles in three rows: ground textures, shores and paths, then things that stand on the
// ground with see-through pixels around them.
Tiles TerrainTiles();
// 38 tiles in two rows: walls of brick, stone and wood, with see-through windows, arches, gates,
// fences and battlements.
Tiles WallTiles();
// 684 tiles in 36 rows that piece together a 608 x 1152 map of an island: taller than a screen.
Tiles IslandTiles();

}  // namespace orvane::samples
