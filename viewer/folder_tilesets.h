// View > Next Tileset and View > Previous Tileset: the tilesets of a folder in the order a file
// manager shows them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::viewer {

// Whether a comes before b as file managers sort names: a run of digits by its value ("t2" before
// "t10", "t02" beside "t2"), letters without regard to case. Names that are equal so are ordered
// byte by byte, so that no two names tie.
bool NaturalLess(std::string_view a, std::string_view b);

enum class Direction { Next, Previous };

// The tileset after (or before) fileName in its folder, in that order: the files whose names end
// in ".tst" in any case, without the hidden ones (".name"), as a file manager shows them. fileName
// itself need no longer be there. None at either end, and when the folder cannot be read.
std::optional<std::string> NeighbourTileset(const std::string& fileName, Direction direction);

}  // namespace orvane::viewer
