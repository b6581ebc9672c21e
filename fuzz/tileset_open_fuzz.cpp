// File > Open on arbitrary bytes, and File > Save As after it: whatever the file holds, the
// commands must neither crash nor read outside their buffers. A file that holds every tile its
// header counts is opened, the canvas at the size the header asks for; any other is refused as
// damaged, and nothing changes. Save As then writes the mosaic whole, as a JPEG or a bitmap of the
// canvas's size.
//
// The input's first byte says how: kPadToCount fills the file up to the tiles its header counts
// (random files end too early, and are refused before any tile is read, almost always), and
// kSaveAs picks the format of a Save As that follows. The rest is the file.
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/jpeg_decode.h"
#include "fuzz/memory_file.h"
#include "platform/msgbox.h"
#include "platform/runtime_error.h"
#include "tileset/format.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

constexpr std::uint8_t kPadToCount = 1;
constexpr std::uint8_t kSaveAs = 6;  // 0 or 6: none, 2: a JPEG, 4: a bitmap

std::string PictureName(const char* extension) {
    return (orvane::fuzz::ScratchFolder() / "out.").string() + extension;
}

std::vector<unsigned char> Contents(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The picture Save As wrote, read by libjpeg-turbo or by the bitmap's own headers.
bool WrittenWhole(const std::string& name, bool jpeg, int width, int height) {
    const std::vector<unsigned char> file = Contents(name);
    if (!jpeg) {
        const auto word = [&](std::size_t at) {
            std::int32_t value = 0;
            std::memcpy(&value, file.data() + at, sizeof value);
            return value;
        };
        const std::int64_t stride = (std::int64_t{width} * 3 + 3) / 4 * 4;
        return file.size() == static_cast<std::size_t>(54 + stride * height) && file[0] == 'B' &&
               file[1] == 'M' && word(18) == width && std::abs(word(22)) == height;
    }
    return orvane::fuzz::DecodesAs(file, width, height);
}

// Under the sanitizers a tile takes some 0.4 ms to paint: left to itself, the fuzzer would spend
// nearly all its time on the few large mosaics it has found, at a few dozen inputs a second. Those
// of more than one row of tiles get a fifth of the run's time; beyond that share a large input is
// passed over (and not kept) until the others have caught up.
class LargeMosaicShare {
  public:
    using Clock = std::chrono::steady_clock;

    bool Allows() const { return spent_ * 5 <= Clock::now() - start_; }
    void Spend(Clock::duration time) { spent_ += time; }

  private:
    Clock::time_point start_ = Clock::now();
    Clock::duration spent_{};
};

// Counts the time of one large mosaic's commands against the share.
class Spending {
  public:
    explicit Spending(LargeMosaicShare* share) : share_(share) {}
    ~Spending() {
        if (share_ != nullptr) {
            share_->Spend(LargeMosaicShare::Clock::now() - start_);
        }
    }
    Spending(const Spending&) = delete;
    Spending& operator=(const Spending&) = delete;

  private:
    LargeMosaicShare* share_;
    LargeMosaicShare::Clock::time_point start_ = LargeMosaicShare::Clock::now();
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::viewer;
    using namespace orvane::tileset;
    const std::uint8_t how = size > 0 ? data[0] : 0;
    std::vector<std::uint8_t> bytes(data + std::min<std::size_t>(size, 1), data + size);
    // The file's layout and the mosaic's, stated here rather than taken from the code under test:
    // a 6-byte header, tiles of 32 x 32 pixels of 3 bytes, 19 tiles a row and at least one row.
    constexpr std::int64_t kHeader = 6, kTile = std::int64_t{32} * 32 * 3;
    std::int16_t count = 0;
    if (bytes.size() >= kHeader) {
        std::memcpy(&count, bytes.data() + 2, sizeof count);
    }
#ifdef ORVANE_LIBFUZZER
    // Enough for the second block of 256 tiles that Open reads at once, for reads too large for
    // its read-ahead window, and for mosaics taller than the drawing area, at some 50 us a tile.
    // Larger counts add nothing but time; saved inputs replay whatever their count, and the tests
    // paint the tallest mosaics.
    constexpr std::int16_t kMostTiles = 300;
    if (count > kMostTiles) {
        return -1;
    }
#endif
    if ((how & kPadToCount) != 0 && count > 0) {
        bytes.resize(std::max(bytes.size(), static_cast<std::size_t>(kHeader + kTile * count)),
                     0x5A);
    }
    const auto length = static_cast<std::int64_t>(bytes.size());
    const bool whole = length >= kHeader && length >= kHeader + std::max(0, int{count}) * kTile;
    LargeMosaicShare* share = nullptr;
#ifdef ORVANE_LIBFUZZER
    if (whole && count > kTilesPerRow) {
        static LargeMosaicShare largeMosaics;
        if (!largeMosaics.Allows()) {
            return -1;
        }
        share = &largeMosaics;
    }
#endif
    const Spending spending(share);

    const orvane::fuzz::MemoryFile tileset(bytes.data(), bytes.size());
    const char* extension = (how & kSaveAs) == 2 ? "jpg" : (how & kSaveAs) == 4 ? "bmp" : nullptr;
    const std::string picture = PictureName(extension != nullptr ? extension : "none");
    ScriptedDialog dialog({tileset.Name(), picture});
    MainForm form(dialog);
    const orvane::platform::ScopedMessageBoxHandler quiet(
        [](std::string_view, std::string_view) {});
    const int designWidth = form.Picture1.PixelWidth();
    try {
        form.mnuOpen_Click();
    } catch (const orvane::platform::RuntimeError& error) {
        if (whole || error.Number() != 321 || form.bTilesetLoaded ||
            form.Picture1.PixelWidth() != designWidth) {
            std::abort();
        }
        return 0;
    }
    const int width = form.Picture1.PixelWidth();
    const int height = form.Picture1.PixelHeight();
    if (!whole || !form.bTilesetLoaded || width != 32 * std::clamp(int{count}, 0, 19) ||
        height != 32 * std::max(1, (count + 18) / 19)) {
        std::abort();
    }
    if (extension == nullptr) {
        return 0;
    }
    try {
        form.mnuSaveAs_Click();
    } catch (const orvane::platform::RuntimeError& error) {
        // Only a canvas 0 pixels wide has no picture to save.
        if (width != 0) {
            std::abort();
        }
        return 0;
    }
    if (width == 0 || !WrittenWhole(picture, extension[0] == 'j', width, height)) {
        std::abort();
    }
    return 0;
}
