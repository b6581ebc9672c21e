#include "platform/save_picture.h"

#include <bit>
#include <span>

#include "platform/bitmap_bits.h"
#include "platform/detail/gdi_objects.h"
#include "platform/files.h"
#include "platform/runtime_error.h"

namespace orvane::platform {

static_assert(std::endian::native == std::endian::little, "the headers are written as they lie");

namespace {

#pragma pack(push, 2)
struct BitmapFileHeaders {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeaders) == 54);

}  // namespace

void SavePicture(HBITMAP picture, const std::string& fileName) {
    const detail::BitmapObject* bitmap = detail::LookupBitmap(picture);
    if (bitmap == nullptr || bitmap->width <= 0 || bitmap->height <= 0 || !bitmap->bits) {
        Raise(ErrorNumber::InvalidPicture);
    }
    // Every bitmap here already lies in memory as the file's pixel array: it goes out in one
    // write, unconverted.
    const BitmapBits pixels = bitmap->View();
    BitmapFileHeaders headers{};
    headers.info = Dib24Header(pixels.width, pixels.height);
    headers.file.bfType = 0x4D42;  // "BM"
    headers.file.bfOffBits = sizeof(BitmapFileHeaders);
    headers.file.bfSize = sizeof(BitmapFileHeaders) + headers.info.biSizeImage;

    PendingFile file(fileName);
    file.Write(std::span(reinterpret_cast<const BYTE*>(&headers), sizeof headers));
    file.Write(std::span<const BYTE>(pixels.bits, pixels.Bytes()));
    file.Commit();
}

}  // namespace orvane::platform
