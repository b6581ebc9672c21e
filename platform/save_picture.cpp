#include "platform/save_picture.h"

#include <bit>
#include <cstdint>
#include <span>

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
    // Every bitmap here already lies in memory as a bottom-up 24-bit DIB padded to 4 bytes, which
    // is exactly the file's pixel array: it goes out in one write, unconverted.
    const auto imageBytes = static_cast<DWORD>(std::int64_t{bitmap->stride} * bitmap->height);
    BitmapFileHeaders headers{};
    headers.file.bfType = 0x4D42;  // "BM"
    headers.file.bfOffBits = sizeof(BitmapFileHeaders);
    headers.file.bfSize = sizeof(BitmapFileHeaders) + imageBytes;
    headers.info.biSize = sizeof(BITMAPINFOHEADER);
    headers.info.biWidth = bitmap->width;
    headers.info.biHeight = bitmap->height;
    headers.info.biPlanes = 1;
    headers.info.biBitCount = 24;
    headers.info.biCompression = BI_RGB;
    headers.info.biSizeImage = imageBytes;

    PendingFile file(fileName);
    file.Write(std::span(reinterpret_cast<const BYTE*>(&headers), sizeof headers));
    file.Write(std::span<const BYTE>(bitmap->bits.get(), imageBytes));
    file.Commit();
}

}  // namespace orvane::platform
