// Edit > Copy: the canvas's own pixels onto the clipboard, through a cDIBSection, as a bitmap.
#pragma once

#include <optional>

#include "viewer/canvas.h"

namespace orvane::viewer {

// Copies tile number tile (from 0) of the mosaic on canvas, or the whole canvas when there is
// none. False when nothing was put on the clipboard (no pixels, or the clipboard refused).
bool CopyToClipboard(const Canvas& canvas, std::optional<int> tile);

}  // namespace orvane::viewer
