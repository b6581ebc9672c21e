#include "viewer/copy_tile.h"

#include "dib/cdibsection.h"
#include "viewer/mosaic_view.h"

namespace orvane::viewer {

bool CopyToClipboard(const Canvas& canvas, std::optional<int> tile) {
    const PixelRect whole{0, 0, canvas.PixelWidth(), canvas.PixelHeight()};
    const PixelRect rect = tile ? TileRect(*tile) : whole;
    if (canvas.Image() == nullptr || rect.x + rect.width > whole.width ||
        rect.y + rect.height > whole.height) {
        return false;
    }
    cDIBSection dib;
    if (!dib.Create(rect.width, rect.height)) {
        return false;
    }
    dib.LoadPictureBlt(canvas.hDC(), rect.x, rect.y, rect.width, rect.height);
    return dib.CopyToClipboard(false);
}

}  // namespace orvane::viewer
