// cDIBSection under any sequence of its operations, with any sizes, offsets, device contexts and
// pictures: none may crash it or make it touch memory outside its buffers, a buffer is always
// wholly empty or wholly holding, and when the buffers go every GDI object they made has gone.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "dib/cdibsection.h"
#include "fuzz/fuzz_input.h"
#include "jpeg/mjpeg_encoder.h"
#include "platform/clipboard.h"
#include "platform/clipboard_testing.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/msgbox.h"
#include "platform/runtime_error.h"
#include "tests/support/pictures.h"

namespace {

using orvane::cDIBSection;
using orvane::fuzz::DibOp;
using orvane::fuzz::InputReader;
using orvane::fuzz::PixelBudget;
using orvane::fuzz::TakeRop;

constexpr int kBuffers = 3;
constexpr int kMaxOperations = 64;

// A memory DC holding a bitmap of its own, like the canvas; and a bitmap that no DC holds, like a
// picture loaded from a file.
class GdiObjects {
  public:
    GdiObjects() = default;
    ~GdiObjects() { DeleteObject(picture_); }
    GdiObjects(const GdiObjects&) = delete;
    GdiObjects& operator=(const GdiObjects&) = delete;

    HDC SurfaceDC() const { return surface_ ? surface_->dc() : nullptr; }
    HBITMAP SurfaceBitmap() const { return surface_ ? surface_->bitmap() : nullptr; }
    HBITMAP Picture() const { return picture_; }

    void MakeSurface(LONG width, LONG height) {
        surface_.reset();
        surface_ = std::make_unique<orvane::testing::Surface>(width, height);
    }
    void MakePicture(LONG width, LONG height) {
        DeleteObject(picture_);
        picture_ = orvane::testing::Surface(width, height).Detach();
    }

  private:
    std::unique_ptr<orvane::testing::Surface> surface_;
    HBITMAP picture_ = nullptr;
};

// A device context and a bitmap, deleted as soon as made: handles that are never valid again.
struct StaleHandles {
    HDC dc;
    HBITMAP bitmap;
    StaleHandles() {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, 1, 1);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

const StaleHandles& Stale() {
    static const StaleHandles stale;
    return stale;
}

std::shared_ptr<cDIBSection>& PickBuffer(InputReader& in,
                                         std::shared_ptr<cDIBSection> (&buffers)[kBuffers]) {
    return buffers[in.Choice(kBuffers)];
}

HDC PickDC(InputReader& in, const std::shared_ptr<cDIBSection> (&buffers)[kBuffers],
           const GdiObjects& objects) {
    switch (in.Choice(5)) {
        case 0:
            return nullptr;
        case 1:
            return objects.SurfaceDC();
        case 2:
            return buffers[in.Choice(kBuffers)]->hdc();
        case 3:
            return Stale().dc;
        default:
            return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(in.Word64()));
    }
}

HBITMAP PickPicture(InputReader& in, const std::shared_ptr<cDIBSection> (&buffers)[kBuffers],
                    const GdiObjects& objects) {
    switch (in.Choice(6)) {
        case 0:
            return nullptr;
        case 1:
            return objects.Picture();
        case 2:
            return objects.SurfaceBitmap();  // held by the surface's DC
        case 3:
            return buffers[in.Choice(kBuffers)]->hDib();  // held by that buffer's DC
        case 4:
            return Stale().bitmap;
        default:
            return reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(in.Word64()));
    }
}

// Empty or holding, never in between; a holding buffer's section is the size its header says,
// with rows of BytesPerScanLine bytes, at the address DIBSectionBitsPtr gives.
void CheckState(const cDIBSection& buffer) {
    const bool dc = buffer.hdc() != nullptr;
    if (dc != (buffer.hDib() != nullptr) || dc != (buffer.DIBSectionBitsPtr() != nullptr)) {
        std::abort();
    }
    if (!dc) {
        return;
    }
    BITMAP record{};
    if (GetObjectA(buffer.hDib(), sizeof record, &record) != sizeof record ||
        record.bmWidth != buffer.Width() || record.bmHeight != buffer.Height() ||
        record.bmWidthBytes != buffer.BytesPerScanLine() ||
        record.bmBits != buffer.DIBSectionBitsPtr()) {
        std::abort();
    }
}

// Where WriteJpegFile writes: a folder of this process's own, removed when it ends.
class JpegFolder {
  public:
    JpegFolder()
        : folder_(std::filesystem::temp_directory_path() /
                  ("orvane-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(folder_);
        file_ = (folder_ / "buffer.jpg").string();
    }
    ~JpegFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    JpegFolder(const JpegFolder&) = delete;
    JpegFolder& operator=(const JpegFolder&) = delete;

    const std::string& File() const { return file_; }

  private:
    std::filesystem::path folder_;
    std::string file_;
};

void Run(InputReader& in, std::shared_ptr<cDIBSection> (&buffers)[kBuffers], GdiObjects& objects,
         const std::string& jpegFile) {
    PixelBudget budget;
    for (int step = 0; step < kMaxOperations && !in.Empty(); ++step) {
        const auto op = static_cast<DibOp>(in.Choice(static_cast<std::size_t>(DibOp::Count)));
        std::shared_ptr<cDIBSection>& buffer = PickBuffer(in, buffers);
        switch (op) {
            case DibOp::Create: {
                const LONG width = in.Long();
                const LONG height = in.Long();
                if (budget.Spend(width, height)) {
                    buffer->Create(width, height);
                }
                break;
            }
            case DibOp::CreateFromPicture: {
                const HBITMAP picture = PickPicture(in, buffers, objects);
                BITMAP record{};
                GetObjectA(picture, sizeof record, &record);
                if (budget.Spend(record.bmWidth, record.bmHeight)) {
                    buffer->CreateFromPicture(picture);
                }
                break;
            }
            case DibOp::LoadPictureBlt: {
                const HDC dc = PickDC(in, buffers, objects);
                const LONG left = in.Long();
                const LONG top = in.Long();
                const LONG width = in.Long();
                const LONG height = in.Long();
                buffer->LoadPictureBlt(dc, left, top, width, height, TakeRop(in));
                break;
            }
            case DibOp::PaintPicture: {
                const HDC dc = PickDC(in, buffers, objects);
                const LONG left = in.Long();
                const LONG top = in.Long();
                const LONG width = in.Long();
                const LONG height = in.Long();
                const LONG sourceLeft = in.Long();
                const LONG sourceTop = in.Long();
                buffer->PaintPicture(dc, left, top, width, height, sourceLeft, sourceTop,
                                     TakeRop(in));
                break;
            }
            case DibOp::ClearUp:
                buffer->ClearUp();
                break;
            case DibOp::Resample: {
                std::shared_ptr<cDIBSection>& result = PickBuffer(in, buffers);
                const LONG height = in.Long();
                const LONG width = in.Long();
                if (budget.Spend(width, height)) {
                    if (auto resampled = buffer->Resample(height, width)) {
                        result = std::move(resampled);
                    }
                }
                break;
            }
            case DibOp::RandomiseBits:
                buffer->RandomiseBits(in.Flag());
                break;
            case DibOp::CopyToClipboard: {
                const bool asDib = in.Flag();
                if (asDib || budget.Spend(buffer->Width(), buffer->Height())) {
                    buffer->CopyToClipboard(asDib);
                }
                break;
            }
            case DibOp::WriteBits: {
                const auto offset = static_cast<std::uint32_t>(in.Long());
                const std::uint8_t value = in.Byte();
                if (BYTE* bits = buffer->DIBSectionBitsPtr()) {
                    const auto size = static_cast<std::size_t>(buffer->Height()) *
                                      static_cast<std::size_t>(buffer->BytesPerScanLine());
                    bits[offset % size] = value;
                    bits[size - 1] ^= value;
                }
                break;
            }
            case DibOp::WriteJpegFile:
                try {
                    orvane::mJPEGEncoder::WriteJpegFile(*buffer, jpegFile, in.Long());
                } catch (const orvane::platform::RuntimeError&) {
                    // Refusing a buffer is the encoder's right; only how it refuses is tested.
                }
                break;
            case DibOp::MakeSurface:
            case DibOp::MakePicture: {
                const LONG width = in.Long();
                const LONG height = in.Long();
                if (!budget.Spend(width, height)) {
                    break;
                }
                if (op == DibOp::MakeSurface) {
                    objects.MakeSurface(width, height);
                } else {
                    objects.MakePicture(width, height);
                }
                break;
            }
            case DibOp::Count:
                break;
        }
        for (const auto& each : buffers) {
            CheckState(*each);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const JpegFolder jpegFolder;
    static const bool quiet = [] {
        // CopyToClipboard's message for a DIB: shown, not printed, in a program with a window.
        orvane::platform::SetMessageBoxHandler([](std::string_view, std::string_view) {});
        Stale();
        return true;
    }();
    (void)quiet;

    const std::size_t live = orvane::platform::LiveGdiObjectCount();
    {
        std::shared_ptr<cDIBSection> buffers[kBuffers] = {std::make_shared<cDIBSection>(),
                                                          std::make_shared<cDIBSection>(),
                                                          std::make_shared<cDIBSection>()};
        GdiObjects objects;
        InputReader in(data, size);
        Run(in, buffers, objects, jpegFolder.File());
    }
    orvane::platform::testing::ResetClipboard();
    if (orvane::platform::LiveGdiObjectCount() != live) {
        std::abort();
    }
    return 0;
}
