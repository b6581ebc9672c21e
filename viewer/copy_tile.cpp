#include "viewer/copy_tile.h"

#include "dib/cdibsection.h"
#include "platform/clipboard.h"

namespace orvane::viewer {

PixelRect CopiedRect(const CopySource& source) {
    return source.block ? BlockRect(*source.block)
                        : PixelRect{0, 0, source.canvas.PixelWidth(), source.canvas.PixelHeight()};
}

std::vector<std::uint8_t> MosaicAlpha(const tileset::SeeThroughMask& seeThrough, int tileCount,
                                      PixelRect rect) {
    std::vector<std::uint8_t> alpha(static_cast<std::size_t>(rect.width) *
                                    static_cast<std::size_t>(rect.height));
    auto out = alpha.begin();
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
        for (int x = rect.x; x < rect.x + rect.width; ++x) {
            const bool shown = TileAt(tileCount, {x, y}) && !seeThrough.Test(x, y);
            *out++ = shown ? 255 : 0;
        }
    }
    return alpha;
}

bool CopyToClipboard(const CopySource& source) {
    const Canvas& canvas = source.canvas;
    const PixelRect rect = CopiedRect(source);
    if (canvas.Image() == nullptr || rect.width <= 0 || rect.height <= 0 ||
        rect.x + rect.width > canvas.PixelWidth() || rect.y + rect.height > canvas.PixelHeight()) {
        return false;
    }
    cDIBSection dib;
    if (!dib.Create(rect.width, rect.height)) {
        return false;
    }
    dib.LoadPictureBlt(canvas.hDC(), rect.x, rect.y, rect.width, rect.height);
    const platform::ClipboardTransparency transparency(
        rect.width, rect.height, MosaicAlpha(source.seeThrough, source.tileCount, rect));
    return dib.CopyToClipboard(false);
}

}  // namespace orvane::viewer
