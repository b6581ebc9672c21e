// Writes the seed corpora of the operation targets: short sequences that reach each operation's
// working path and its refusals, for the fuzzer to start from.
//
//     fuzz_make_seeds FOLDER    # writes FOLDER/dib_operations/*, gdi_sequences/*, jenc_write/*,
//                               # pending_file/*
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "fuzz/fuzz_input.h"

namespace {

namespace fs = std::filesystem;
using namespace orvane::fuzz;

constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();

// Raster operations by their place in kRops; kAnyRop is followed by the code itself.
constexpr std::uint8_t kSrcCopy = 0;
constexpr std::uint8_t kSrcInvert = 3;
constexpr std::uint8_t kPatCopy = 6;
constexpr std::uint8_t kAnyRop = std::size(kRops);
static_assert(kRops[kSrcCopy] == SRCCOPY && kRops[kSrcInvert] == SRCINVERT &&
              kRops[kPatCopy] == PATCOPY);

void Save(const fs::path& folder, const std::string& name, const InputWriter& input) {
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(input.Bytes().data()),
              static_cast<std::streamsize>(input.Bytes().size()));
}

// --- cDIBSection: buffers 0..2; device contexts and pictures by their choice in the target.
enum DibDC : std::uint8_t { kNoDC, kSurfaceDC, kBufferDC, kStaleDC, kForeignDC };
enum DibPicture : std::uint8_t {
    kNoPicture,
    kLoosePicture,
    kSurfacePicture,
    kBufferPicture,
    kStalePicture,
    kForeignPicture
};

void WriteDibSeeds(const fs::path& folder) {
    {
        InputWriter in;
        in.Op(DibOp::MakeSurface).Byte(0).Long(40).Long(20);
        in.Op(DibOp::Create).Byte(0).Long(33).Long(17);
        in.Op(DibOp::LoadPictureBlt).Byte(0).Byte(kSurfaceDC);
        in.Long(3).Long(2).Long(-1).Long(-1).Byte(kSrcCopy);
        in.Op(DibOp::Resample).Byte(0).Byte(1).Long(9).Long(50);
        in.Op(DibOp::WriteJpegFile).Byte(1).Long(90);
        in.Op(DibOp::CopyToClipboard).Byte(1).Flag(false);
        in.Op(DibOp::RandomiseBits).Byte(0).Flag(true);
        in.Op(DibOp::PaintPicture).Byte(0).Byte(kSurfaceDC);
        in.Long(-5).Long(4).Long(-1).Long(-1).Long(1).Long(1).Byte(kSrcCopy);
        Save(folder, "copy_resample_save", in);
    }
    {
        InputWriter in;
        in.Op(DibOp::MakePicture).Byte(0).Long(7).Long(5);
        in.Op(DibOp::CreateFromPicture).Byte(0).Byte(kLoosePicture);
        in.Op(DibOp::CreateFromPicture).Byte(1).Byte(kBufferPicture).Byte(0);
        in.Op(DibOp::WriteBits).Byte(1).Long(kHuge).Byte(0x77);
        in.Op(DibOp::Resample).Byte(1).Byte(1).Long(5).Long(7);
        in.Op(DibOp::ClearUp).Byte(0);
        in.Op(DibOp::ClearUp).Byte(0);
        in.Op(DibOp::RandomiseBits).Byte(0).Flag(false);
        Save(folder, "pictures_and_clear_up", in);
    }
    {
        InputWriter in;
        in.Op(DibOp::Create).Byte(0).Long(0).Long(5);
        in.Op(DibOp::Create).Byte(1).Long(-3).Long(4);
        in.Op(DibOp::Create).Byte(2).Long(kHuge).Long(kHuge);
        in.Op(DibOp::Resample).Byte(2).Byte(0).Long(4).Long(4);
        in.Op(DibOp::WriteJpegFile).Byte(2).Long(90);
        in.Op(DibOp::Create).Byte(0).Long(1).Long(std::numeric_limits<std::int32_t>::min());
        in.Op(DibOp::WriteJpegFile).Byte(0).Long(90);
        in.Op(DibOp::CopyToClipboard).Byte(2).Flag(false);
        in.Op(DibOp::CopyToClipboard).Byte(2).Flag(true);
        in.Op(DibOp::LoadPictureBlt).Byte(2).Byte(kStaleDC).Long(0).Long(0).Long(-1).Long(-1);
        in.Byte(kAnyRop).Long(0x00AA0029);
        Save(folder, "refused_sizes", in);
    }
    {
        InputWriter in;
        in.Op(DibOp::Create).Byte(0).Long(5).Long(5);
        in.Op(DibOp::Create).Byte(1).Long(6).Long(3);
        in.Op(DibOp::PaintPicture).Byte(0).Byte(kBufferDC).Byte(1);
        in.Long(kHuge).Long(-kHuge).Long(kHuge).Long(2).Long(-1).Long(kHuge).Byte(kPatCopy);
        in.Op(DibOp::LoadPictureBlt).Byte(0).Byte(kBufferDC).Byte(0);
        in.Long(1).Long(1).Long(4).Long(4).Byte(kSrcCopy);
        in.Op(DibOp::LoadPictureBlt).Byte(1).Byte(kForeignDC).Word64(0x0000000700000003);
        in.Long(0).Long(0).Long(-1).Long(-1).Byte(kSrcCopy);
        in.Op(DibOp::CreateFromPicture).Byte(2).Byte(kStalePicture);
        in.Op(DibOp::CreateFromPicture).Byte(2).Byte(kSurfacePicture);
        in.Op(DibOp::CreateFromPicture).Byte(2).Byte(kForeignPicture).Word64(1);
        Save(folder, "far_offsets_and_foreign_handles", in);
    }
    {
        // Every destination row once blended the whole source row: 32768 rows of 60000 bytes.
        InputWriter in;
        in.Op(DibOp::Create).Byte(0).Long(20000).Long(2);
        in.Op(DibOp::Resample).Byte(0).Byte(1).Long(32768).Long(1);
        Save(folder, "resample_wide_source_to_narrow_tall", in);
    }
}

// --- GDI: handles by kind; Made counts what the sequence has made so far, deleted or not.
InputWriter& MadeHandle(InputWriter& in, std::uint8_t index) {
    return in.Op(HandleKind::Made).Byte(index);
}
InputWriter& NullHandle(InputWriter& in) {
    return in.Op(HandleKind::Null);
}

void WriteGdiSeeds(const fs::path& folder) {
    {
        InputWriter in;
        in.Op(GdiOp::CreateCompatibleDC);  // 0
        NullHandle(in);
        in.Op(GdiOp::CreateCompatibleBitmap);  // 1
        MadeHandle(in, 0).Long(5).Long(3);
        in.Op(GdiOp::SelectObject);  // 2: the default bitmap
        MadeHandle(in, 0);
        MadeHandle(in, 1);
        in.Op(GdiOp::SetPixelV);
        MadeHandle(in, 0).Long(2).Long(1).Long(0x123456);
        in.Op(GdiOp::BitBlt);
        MadeHandle(in, 0).Long(1).Long(1).Long(3).Long(2);
        MadeHandle(in, 0).Long(0).Long(0).Byte(kSrcCopy);
        in.Op(GdiOp::GetPixel);
        MadeHandle(in, 0).Long(3).Long(2);
        in.Op(GdiOp::GetObjectA);
        MadeHandle(in, 1).Long(24).Flag(true);
        in.Op(GdiOp::DeleteObject);  // refused: still selected
        MadeHandle(in, 1);
        Save(folder, "select_paint_copy", in);
    }
    {
        InputWriter in;
        in.Op(GdiOp::CreateCompatibleDC);  // 0
        NullHandle(in);
        in.Op(GdiOp::DeleteDC);
        MadeHandle(in, 0);
        in.Op(GdiOp::CreateCompatibleDC);  // 1, in the slot 0 had
        NullHandle(in);
        in.Op(GdiOp::SetPixelV);
        MadeHandle(in, 0).Long(0).Long(0).Long(0);
        in.Op(GdiOp::CreateCompatibleBitmap);
        MadeHandle(in, 0).Long(2).Long(2);
        in.Op(GdiOp::SelectObject);
        in.Op(HandleKind::OtherSerial).Byte(1).Byte(1);
        MadeHandle(in, 0);
        in.Op(GdiOp::DeleteDC);
        MadeHandle(in, 0);
        in.Op(GdiOp::BitBlt);
        MadeHandle(in, 1).Long(0).Long(0).Long(1).Long(1);
        MadeHandle(in, 0).Long(0).Long(0).Byte(kSrcInvert);
        Save(folder, "stale_handles", in);
    }
    {
        InputWriter in;
        in.Op(GdiOp::CreateDIBSection);  // 0
        NullHandle(in).Flag(true).Long(7).Long(3).Long(1).Long(24).Long(0).Long(0);
        in.Flag(true).Flag(false);
        in.Op(GdiOp::CreateDIBSection);  // refused: 32 bits, top-down, a file mapping
        NullHandle(in).Flag(true).Long(4).Long(4).Long(1).Long(32).Long(0).Long(0);
        in.Flag(true).Flag(false);
        in.Op(GdiOp::CreateDIBSection);
        NullHandle(in).Flag(true).Long(4).Long(-4).Long(1).Long(24).Long(0).Long(0);
        in.Flag(true).Flag(false);
        in.Op(GdiOp::CreateDIBSection);
        NullHandle(in).Flag(false).Long(12).Long(4).Long(4).Long(1).Long(24).Long(0).Long(0);
        in.Flag(true).Flag(true).Word64(5);
        in.Op(GdiOp::CreateDIBSection);  // 1: no address wanted back
        NullHandle(in).Flag(true).Long(9).Long(2).Long(1).Long(24).Long(0).Long(0);
        in.Flag(false).Flag(false);
        in.Op(GdiOp::CreateDIBSection);  // refused: beyond a 32-bit image size
        NullHandle(in).Flag(true).Long(kHuge).Long(1).Long(1).Long(24).Long(0).Long(0);
        in.Flag(true).Flag(false);
        in.Op(GdiOp::GetObjectA);
        MadeHandle(in, 0).Long(0).Flag(false);
        in.Op(GdiOp::GetObjectA);
        MadeHandle(in, 0).Long(23).Flag(true);
        Save(folder, "dib_sections", in);
    }
    {
        InputWriter in;
        in.Op(GdiOp::GetDC);  // 0: a screen DC
        in.Op(HandleKind::Window);
        in.Op(GdiOp::CreateCompatibleDC);  // 1
        MadeHandle(in, 0);
        in.Op(GdiOp::CreateCompatibleBitmap);  // 2
        MadeHandle(in, 0).Long(4).Long(4);
        in.Op(GdiOp::SelectObject);  // refused: a screen DC holds no bitmap
        MadeHandle(in, 0);
        MadeHandle(in, 2);
        in.Op(GdiOp::DeleteDC);  // refused: given back with ReleaseDC
        MadeHandle(in, 0);
        in.Op(GdiOp::BitBlt);
        MadeHandle(in, 1).Long(0).Long(0).Long(4).Long(4);
        MadeHandle(in, 0).Long(0).Long(0).Byte(kAnyRop).Long(0x00B8074A);
        in.Op(GdiOp::DeleteObject);
        in.Op(HandleKind::Window);
        in.Op(GdiOp::GetPixel);
        in.Op(HandleKind::Foreign).Word64(0xFFFFFFFF00000001).Long(0).Long(0);
        in.Op(GdiOp::ReleaseDC);
        NullHandle(in);
        MadeHandle(in, 0);
        Save(folder, "screen_dc_and_foreign_handles", in);
    }
}

// --- jencWrite: the steps, then DIBWidth, DIBHeight, DIBPadBytes, [JPGWidth, JPGHeight],
// jquality, mode, threads, band rows, [encoder], pixels.
struct JencSeed {
    const char* name;
    std::uint8_t steps;
    std::int32_t width, height, pad, quality, mode;
    std::int32_t threads = 0;   // 0: one for each CPU
    std::int32_t bandRows = 0;  // 0: the least, 8
};

void WriteJencSeeds(const fs::path& folder) {
    constexpr int kWhole = 8;  // JENC_JFILE_WRITEWHOLEIMAGE
    const JencSeed seeds[] = {
        {"bottom_up_padded", kJencInit, 33, -17, 1, 90, kWhole},
        {"top_down_unpadded", kJencInit, 8, 8, 0, 75, kWhole},
        {"pad_three_best_quality", kJencInit, 35, -9, 3, 100, kWhole},
        {"one_pixel_worst_quality", kJencInit, 1, -1, 1, 1, kWhole},
        {"quality_zero", kJencInit, 4, -4, 0, 0, kWhole},
        {"other_mode", kJencInit, 4, -4, 0, 90, 0},
        {"pad_four", kJencInit, 4, -4, 4, 90, kWhole},
        {"wider_than_jpeg", kJencInit, 65'536, -1, 0, 90, kWhole},
        {"taller_than_jpeg", kJencInit, 1, -kHuge - 1, 1, 90, kWhole},
        {"never_prepared", 0, 8, -8, 0, 90, kWhole},
        {"prepared_twice", kJencInit | kJencInitTwice, 8, -8, 0, 90, kWhole},
        {"freed_first", kJencInit | kJencFreeFirst, 8, -8, 0, 90, kWhole},
        {"no_record", kJencInit | kJencNullRecord, 8, -8, 0, 90, kWhole},
        {"no_pixels", kJencInit | kJencNoPixels, 8, -8, 0, 90, kWhole},
        {"no_file", kJencInit | kJencNoFile, 8, -8, 0, 90, kWhole},
        {"stray_encoder", kJencInit | kJencStrayEncoder, 8, -8, 0, 90, kWhole},
        {"sizes_differ", kJencInit | kJencOtherSize, 8, -8, 0, 90, kWhole},
        {"bands_on_three_threads", kJencInit, 19, -45, 3, 90, kWhole, 3, 8},
        {"bands_on_one_thread", kJencInit, 9, 40, 1, 90, kWhole, 1, 16},
        {"more_threads_than_bands", kJencInit, 5, -17, 1, 90, kWhole, 8, 8},
    };
    for (const JencSeed& seed : seeds) {
        InputWriter in;
        in.Byte(seed.steps).Long(seed.width).Long(seed.height).Long(seed.pad);
        if ((seed.steps & kJencOtherSize) != 0) {
            in.Long(seed.width).Long(-seed.height + 1);
        }
        in.Long(seed.quality)
            .Long(seed.mode)
            .Byte(static_cast<std::uint8_t>(seed.threads))
            .Byte(static_cast<std::uint8_t>(seed.bandRows));
        if ((seed.steps & kJencStrayEncoder) != 0) {
            in.Word64(0x5EED);
        }
        // Flat 8 x 8 blocks of a few colours, as tiles have them.
        for (int i = 0; i < 3 * 8 * 8; ++i) {
            in.Byte(static_cast<std::uint8_t>((i / 24) * 40 + (i % 3) * 70));
        }
        Save(folder, seed.name, in);
    }
}

// --- PendingFile: each state of the target, committed; then the other ways to write.
void WritePendingSeeds(const fs::path& folder) {
    constexpr const char* kTargets[] = {"new",
                                        "old",
                                        "read_only",
                                        "folder",
                                        "link",
                                        "chain_of_links",
                                        "dangling_link",
                                        "dangling_into_a_folder",
                                        "dangling_into_nowhere",
                                        "loop_of_links",
                                        "in_a_missing_folder"};
    static_assert(std::size(kTargets) == static_cast<std::size_t>(PendingTarget::Count));
    const auto seed = [&](const std::string& name, PendingTarget target, std::uint8_t steps,
                          std::uint8_t limit) {
        InputWriter in;
        in.Op(target).Byte(steps).Byte(limit);
        for (int i = 0; i < 100; ++i) {
            in.Byte(static_cast<std::uint8_t>('A' + i % 26));
        }
        Save(folder, name, in);
    };
    for (std::size_t target = 0; target < std::size(kTargets); ++target) {
        seed(kTargets[target], static_cast<PendingTarget>(target), kPendingCommit, 0);
    }
    seed("old_by_name", PendingTarget::Old, kPendingCommit | kPendingByName, 0);
    seed("link_in_parts", PendingTarget::Link, kPendingCommit | kPendingInParts, 0);
    seed("old_abandoned", PendingTarget::Old, 0, 0);
    seed("old_on_a_full_disk", PendingTarget::Old, kPendingCommit | kPendingDiskFills, 2);
    seed("new_by_name_on_a_full_disk", PendingTarget::New,
         kPendingCommit | kPendingByName | kPendingDiskFills, 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path folder = argv[1];
    WriteDibSeeds(folder / "dib_operations");
    WriteGdiSeeds(folder / "gdi_sequences");
    WriteJencSeeds(folder / "jenc_write");
    WritePendingSeeds(folder / "pending_file");
    return 0;
}
