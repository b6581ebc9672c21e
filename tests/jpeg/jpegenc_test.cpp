#include "jpeg/jpegenc.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "jpeg/band_join.h"
#include "jpeg/jpegenc_testing.h"
#include "tests/support/file_conditions.h"
#include "tests/support/jpeg_reader.h"
#include "tests/support/picture_compare.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace orvane::testing;
using Strings = std::vector<std::string>;

// Detail in every block and channel, so that a band out of place, a DC prediction carried over
// a restart or a restart in the wrong MCU changes the decoded pixels. Kept apart from the shared
// patterns: Blocks is flat within a block, and Distinct repeats every 256 rows, the height of a
// default band, where the hash in green repeats nowhere.
COLORREF Detail(int x, int y, int) {
    const unsigned hash =
        static_cast<unsigned>(x) * 73'856'093u ^ static_cast<unsigned>(y) * 19'349'663u;
    return RGB(static_cast<BYTE>(x * 5 + y * 3), static_cast<BYTE>(96 + (hash >> 8 & 0x3F)),
               static_cast<BYTE>((x / 8 + y / 8) * 37));
}

enum class RowOrder { BottomUp, TopDown };

// A 24-bit DIB as the canvas buffer holds it: rows of blue, green, red, padded with junk.
struct Dib {
    Dib(int width, int height, DWORD pad, RowOrder order, Pattern colour = Blocks)
        : width(width), height(height), pad(pad) {
        const bool bottomUp = order == RowOrder::BottomUp;
        const std::size_t pitch = 3 * static_cast<std::size_t>(width) + pad;
        bytes.assign(pitch * static_cast<std::size_t>(height), 0xEE);
        for (int y = 0; y < height; ++y) {
            BYTE* row =
                bytes.data() + pitch * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
            for (int x = 0; x < width; ++x) {
                const COLORREF c = colour(x, y, 0);
                BYTE* pixel = row + 3 * static_cast<std::size_t>(x);
                pixel[0] = GetBValue(c);
                pixel[1] = GetGValue(c);
                pixel[2] = GetRValue(c);
            }
        }
        dibHeight = bottomUp ? -height : height;
    }
    int width;
    int height;
    DWORD pad;
    LONG dibHeight;
    std::vector<BYTE> bytes;
};

// A record prepared by jencInit and filled from a DIB, freed at the end of the test.
struct Record {
    Record(const Dib& dib, const std::string& file, DWORD quality = 90) : name(file) {
        EXPECT_EQ(jencInit(&props), JENC_OK);
        props.DIBWidth = static_cast<DWORD>(dib.width);
        props.DIBHeight = dib.dibHeight;
        props.DIBBytes = dib.bytes.data();
        props.DIBPadBytes = dib.pad;
        props.JPGFile = name.c_str();
        props.JPGWidth = static_cast<DWORD>(dib.width);
        props.JPGHeight = static_cast<DWORD>(dib.height);
        props.jquality = quality;
    }
    ~Record() { jencFree(&props); }
    std::string name;
    JENC_CORE_PROPERTIES props{};
};

struct ImageCase {
    const char* name;
    int width;
    DWORD pad;
    RowOrder order;
};

class JencWriteImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(JencWriteImage, DecodesUprightAtItsSizeWithItsColours) {
    const ImageCase& c = GetParam();
    TempDir dir;
    const Dib dib(c.width, 40, c.pad, c.order);
    Record record(dib, dir / "out.jpg");
    WriteFile(record.name, std::string(1 << 20, 'o'));  // longer than the JPEG: must be truncated

    ASSERT_EQ(jencWrite(&record.props, JENC_JFILE_WRITEWHOLEIMAGE), JENC_OK);

    const std::string jpeg = ReadFile(record.name);
    EXPECT_LT(jpeg.size(), std::size_t{1} << 20);
    EXPECT_TRUE(IsBaselineJpeg(jpeg));
    const DecodedJpeg image = DecodeJpeg(jpeg);
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, 40);
    EXPECT_EQ(image.subsampling, TJSAMP_444);
    // Flat blocks at quality 90 come back within a few levels; 8 leaves room for rounding in the
    // colour conversion while staying far below the 45 between neighbouring blocks.
    EXPECT_TRUE(PicturesNear(ViewOf(image), Painted(c.width, 40, Blocks, 0), 8));
}

// The canvas pads each row to 4 bytes: widths 32, 33, 34, 35 need 0, 1, 2, 3 bytes; 608 (19
// tiles) needs none.
INSTANTIATE_TEST_SUITE_P(Widths, JencWriteImage,
                         ::testing::Values(ImageCase{"w32_pad0", 32, 0, RowOrder::BottomUp},
                                           ImageCase{"w33_pad1", 33, 1, RowOrder::BottomUp},
                                           ImageCase{"w34_pad2", 34, 2, RowOrder::BottomUp},
                                           ImageCase{"w35_pad3", 35, 3, RowOrder::BottomUp},
                                           ImageCase{"w608_pad0", 608, 0, RowOrder::BottomUp},
                                           ImageCase{"w33_pad1_top_down", 33, 1,
                                                     RowOrder::TopDown}),
                         RowName());

struct RefusalCase {
    const char* name;
    std::function<void(JENC_CORE_PROPERTIES&)> spoil;
    int mode;
    int expected;
};

class JencWriteRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(JencWriteRefusal, ReturnsItsOwnResultAndCreatesNothing) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    const Dib dib(33, 9, 1, RowOrder::BottomUp);
    Record record(dib, dir / "out.jpg");
    const std::uint64_t encoder = record.props.encoder;
    c.spoil(record.props);
    EXPECT_EQ(jencWrite(&record.props, c.mode), c.expected);
    record.props.encoder = encoder;  // so that the record is freed, whatever was spoiled
    EXPECT_EQ(FolderEntries(dir.path()), Strings{});
}

constexpr int kWhole = JENC_JFILE_WRITEWHOLEIMAGE;
const auto kKeep = [](JENC_CORE_PROPERTIES&) {};

INSTANTIATE_TEST_SUITE_P(
    Results, JencWriteRefusal,
    ::testing::Values(
        RefusalCase{"never_prepared", [](auto& p) { p.encoder = 0; }, kWhole, JENC_ERR_RECORD},
        RefusalCase{"already_freed", [](auto& p) { jencFree(&p); }, kWhole, JENC_ERR_RECORD},
        RefusalCase{"stray_encoder_value", [](auto& p) { p.encoder = ~p.encoder; }, kWhole,
                    JENC_ERR_RECORD},
        RefusalCase{"no_pixels", [](auto& p) { p.DIBBytes = nullptr; }, kWhole, JENC_ERR_RECORD},
        RefusalCase{"no_file_name", [](auto& p) { p.JPGFile = nullptr; }, kWhole, JENC_ERR_RECORD},
        RefusalCase{"mode_0", kKeep, 0, JENC_ERR_MODE},
        RefusalCase{"mode_9", kKeep, 9, JENC_ERR_MODE},
        RefusalCase{"width_0", [](auto& p) { p.DIBWidth = p.JPGWidth = 0; }, kWhole, JENC_ERR_SIZE},
        RefusalCase{"height_0",
                    [](auto& p) {
                        p.DIBHeight = 0;
                        p.JPGHeight = 0;
                    },
                    kWhole, JENC_ERR_SIZE},
        RefusalCase{"jpg_width_differs", [](auto& p) { p.JPGWidth = 32; }, kWhole, JENC_ERR_SIZE},
        RefusalCase{"jpg_height_differs", [](auto& p) { p.JPGHeight = 10; }, kWhole, JENC_ERR_SIZE},
        RefusalCase{"padding_4", [](auto& p) { p.DIBPadBytes = 4; }, kWhole, JENC_ERR_SIZE},
        RefusalCase{"wider_than_jpeg_readers_allow",
                    [](auto& p) { p.DIBWidth = p.JPGWidth = JENC_MAX_SIDE + 1; }, kWhole,
                    JENC_ERR_TOO_LARGE},
        RefusalCase{"taller_than_the_frame_can_say",
                    [](auto& p) {
                        p.DIBHeight = -65'536;
                        p.JPGHeight = 65'536;
                    },
                    kWhole, JENC_ERR_TOO_LARGE},
        RefusalCase{"quality_0", [](auto& p) { p.jquality = 0; }, kWhole, JENC_ERR_QUALITY},
        RefusalCase{"quality_101", [](auto& p) { p.jquality = 101; }, kWhole, JENC_ERR_QUALITY}),
    RowName());

// errno tells the caller why (no such folder, a full disk), also when the write fails while
// bands are being compressed on other threads.
TEST(JencWrite, AFileThatCannotBeCreatedOrWrittenIsReportedAsSuch) {
    TempDir dir;
    const Dib dib(64, 64, 0, RowOrder::BottomUp);
    const JencWriteOptions eightBands{.threads = 3, .bandRows = 8};
    {
        Record record(dib, dir / "no/out.jpg");
        EXPECT_EQ(jencWriteWithOptions(&record.props, kWhole, eightBands), JENC_ERR_FILE_CREATE);
        EXPECT_EQ(errno, ENOENT);
        EXPECT_EQ(FolderEntries(dir.path()), Strings{});
    }
    {
        Record record(dib, dir / "out.jpg");
        ScopedFileSizeLimit limit(100);
        EXPECT_EQ(jencWriteWithOptions(&record.props, kWhole, eightBands), JENC_ERR_FILE_WRITE);
        EXPECT_EQ(errno, EFBIG);
    }
}

std::string OneCompression(const Dib& dib, int quality = 90) {
    const std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(compressor.get(), dib.bytes.data(), dib.width,
                          3 * dib.width + static_cast<int>(dib.pad), dib.height, TJPF_BGR, &jpeg,
                          &size, TJSAMP_444, quality, dib.dibHeight < 0 ? TJFLAG_BOTTOMUP : 0),
              0);
    std::string bytes(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    return bytes;
}

// What a decoder meets in a JPEG, read marker by marker.
struct Markers {
    int frameHeight = -1;
    int restartInterval = -1;  // from a DRI before the scan
    std::vector<int> inScan;   // every marker after the scan header, stuffed 0xFF bytes aside
};

Markers ReadMarkers(const std::string& jpeg) {
    Markers m;
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(jpeg.at(i)); };
    std::size_t at = 2;
    for (; byte(at + 1) != 0xDA; at += 2 + (byte(at + 2) << 8 | byte(at + 3))) {
        if (byte(at + 1) == 0xC0) {
            m.frameHeight = byte(at + 5) << 8 | byte(at + 6);
        } else if (byte(at + 1) == 0xDD) {
            m.restartInterval = byte(at + 4) << 8 | byte(at + 5);
        }
    }
    for (at += 2; at + 1 < jpeg.size(); ++at) {
        if (byte(at) == 0xFF && byte(at + 1) != 0) {
            m.inScan.push_back(byte(++at));
        }
    }
    return m;
}

// RST0..RST7 in turn between the bands, and one EOI at the end.
std::vector<int> RestartsAndEoi(int bands) {
    std::vector<int> markers;
    for (int i = 0; i + 1 < bands; ++i) {
        markers.push_back(0xD0 + i % 8);
    }
    markers.push_back(0xD9);
    return markers;
}

struct JoinCase {
    const char* name;
    int width;
    int bands;
    int otherQualityBand;  // compressed at another quality, so it must be refused; -1 for none
};

class BandJoinMarkers : public ::testing::TestWithParam<JoinCase> {};

TEST_P(BandJoinMarkers, WholeHeightOneBandPerIntervalRestartsInTurnAndOneEoi) {
    const JoinCase& c = GetParam();
    const int height = 8 * c.bands;
    const int mcusPerBand = (c.width + 7) / 8;
    const Dib dib(c.width, 8, 0, RowOrder::TopDown, Detail);
    const auto band = [&](int quality) {
        const std::string jpeg = OneCompression(dib, quality);
        return std::vector<unsigned char>(jpeg.begin(), jpeg.end());
    };
    const auto join = jenc::BandJoin::Start(band(90), static_cast<std::uint16_t>(height),
                                            static_cast<std::uint16_t>(mcusPerBand), c.bands);
    ASSERT_TRUE(join);
    std::string file(join->Headers().begin(), join->Headers().end());
    for (int i = 0; i < c.bands; ++i) {
        std::vector<unsigned char> jpeg = band(i == c.otherQualityBand ? 50 : 90);
        const auto data = join->Data(jpeg, i);
        ASSERT_EQ(data.has_value(), i != c.otherQualityBand) << "band " << i;
        if (!data) {
            return;
        }
        file.append(data->begin(), data->end());
    }

    const Markers m = ReadMarkers(file);
    EXPECT_EQ(m.frameHeight, height);
    EXPECT_EQ(m.restartInterval, mcusPerBand);
    EXPECT_EQ(m.inScan, RestartsAndEoi(c.bands));
    EXPECT_EQ(DecodeJpeg(file).height, height);  // and without a warning
}

INSTANTIATE_TEST_SUITE_P(Bands, BandJoinMarkers,
                         ::testing::Values(JoinCase{"two", 16, 2, -1},
                                           JoinCase{"restarts_cycling_past_rst7", 33, 10, -1},
                                           JoinCase{"band_of_other_quality_refused", 16, 3, 2}),
                         RowName());

struct BandCase {
    const char* name;
    int width;
    int height;
    unsigned bandRows;
    int bands;  // expected
};

class JencWriteBands : public ::testing::TestWithParam<BandCase> {};

// However the picture is cut, the file decodes strictly to the pixels of one tjCompress2 of the
// whole picture, and its bytes do not depend on how many threads compressed it.
TEST_P(JencWriteBands, DecodeToTheSingleThreadedPixels) {
    const BandCase& c = GetParam();
    TempDir dir;
    const Dib dib(c.width, c.height, (4 - 3 * c.width % 4) % 4, RowOrder::BottomUp, Detail);
    const auto write = [&](unsigned threads) {
        Record record(dib, dir / "out.jpg");
        EXPECT_EQ(jencWriteWithOptions(&record.props, kWhole,
                                       {.threads = threads, .bandRows = c.bandRows}),
                  JENC_OK);
        return ReadFile(record.name);
    };

    const std::string jpeg = write(3);

    EXPECT_EQ(write(1), jpeg) << "one thread wrote other bytes";
    EXPECT_TRUE(IsBaselineJpeg(jpeg));
    EXPECT_EQ(ReadMarkers(jpeg).inScan, RestartsAndEoi(c.bands));
    EXPECT_TRUE(PicturesNear(ViewOf(DecodeJpeg(jpeg)), ViewOf(DecodeJpeg(OneCompression(dib)))));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JencWriteBands,
    ::testing::Values(BandCase{"one_pixel", 1, 1, 8, 1},
                      BandCase{"exactly_one_band", 33, 16, 16, 1},
                      BandCase{"one_row_over_a_band", 33, 17, 16, 2},
                      BandCase{"nine_rows_in_bands_of_8", 35, 9, 8, 2},
                      BandCase{"restarts_counting_past_7", 35, 100, 8, 13},
                      BandCase{"band_rows_rounded_down_to_16", 9, 41, 20, 3},
                      BandCase{"default_bands_of_a_full_row", 608, 1100, JENC_DEFAULT_BAND_ROWS, 5},
                      // 256 MCUs a row: a band of 255 MCU rows is the most 16 bits can count
                      BandCase{"restart_interval_within_16_bits", 2048, 2100, 4096, 2},
                      BandCase{"tallest", 1, static_cast<int>(JENC_MAX_SIDE),
                               JENC_DEFAULT_BAND_ROWS, 256}),
    RowName());

TEST(JencWrite, HigherQualityKeepsMoreDetail) {
    TempDir dir;
    const Dib dib(64, 64, 0, RowOrder::BottomUp, Detail);
    std::size_t previous = 0;
    for (DWORD quality : {1u, 50u, 100u}) {
        Record record(dib, dir / "out.jpg", quality);
        ASSERT_EQ(jencWrite(&record.props, kWhole), JENC_OK);
        const std::size_t size = ReadFile(record.name).size();
        EXPECT_GT(size, previous) << "quality " << quality;
        previous = size;
    }
}

TEST(JencInitFree, PrepareDefaultsOnceAndFreeOnce) {
    JENC_CORE_PROPERTIES props;
    std::memset(&props, 0xA5, sizeof props);  // whatever the caller's memory held
    ASSERT_EQ(jencInit(&props), JENC_OK);
    EXPECT_EQ(props.jquality, JENC_DEFAULT_QUALITY);
    EXPECT_EQ(props.DIBBytes, nullptr);
    EXPECT_EQ(props.JPGFile, nullptr);
    EXPECT_EQ(jencInit(&props), JENC_ERR_RECORD);  // would orphan the first encoder
    EXPECT_EQ(jencFree(&props), JENC_OK);
    EXPECT_EQ(jencFree(&props), JENC_ERR_RECORD);
    EXPECT_EQ(jencInit(nullptr), JENC_ERR_RECORD);
    EXPECT_EQ(jencWrite(nullptr, kWhole), JENC_ERR_RECORD);
    EXPECT_EQ(jencFree(nullptr), JENC_ERR_RECORD);
}

}  // namespace
