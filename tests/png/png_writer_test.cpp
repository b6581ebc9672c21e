// The PNG writer's bands, at their edges: each picture is written on one thread and on three
// (the bytes must not differ), then read back by four readers that share no code with it.
#include "png/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QImage>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "png/band_reader.h"
#include "png/png_reader.h"
#include "tests/support/png_pixels.h"
#include "tests/support/process.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace orvane::testing;
using orvane::png::WriteOptions;

constexpr char kPython[] = "/usr/bin/python3";
constexpr char kPngcheck[] = "/usr/bin/pngcheck";

// Rows of 32 that each ask for another way of compressing: a gradient with varying alpha, which
// the filters predict; a dither of four colours, best unfiltered; grain, which zlib's run-length
// coding takes.
std::vector<std::uint8_t> Picture(int width, int height) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            noise = noise * 1664525U + 1013904223U;
            switch (y / 32 % 3) {
                case 0:
                    p[0] = static_cast<std::uint8_t>(x * 3 + y);
                    p[1] = static_cast<std::uint8_t>(x * y / 7);
                    p[2] = static_cast<std::uint8_t>(255 - y * 2);
                    p[3] = static_cast<std::uint8_t>(x % 5 == 0 ? 0 : 255 - x);
                    break;
                case 1:
                    p[0] = p[1] = static_cast<std::uint8_t>(((x + y) % 4 + (x ^ y) % 2) * 60);
                    p[2] = 40;
                    p[3] = 255;
                    break;
                default:  // a photograph's grain
                    p[0] = static_cast<std::uint8_t>(x + (noise >> 28));
                    p[1] = static_cast<std::uint8_t>(y + (noise >> 24 & 15));
                    p[2] = static_cast<std::uint8_t>(90 + (noise >> 20 & 15));
                    p[3] = 255;
            }
        }
    }
    return rgba;
}

std::string Write(int width, int height, std::uint32_t bandRows, std::size_t threads,
                  const std::vector<std::uint8_t>& rgba) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::string file;
    orvane::png::WritePng(
        static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
        WriteOptions{.bandRows = bandRows, .threads = threads, .texts = {{"Orvane tiles", "7"}}},
        [&](std::uint32_t firstRow, std::span<std::uint8_t> rows) {
            std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>(firstRow * rowBytes),
                        rows.size(), rows.begin());
        },
        [&](std::span<const std::uint8_t> bytes) { file.append(bytes.begin(), bytes.end()); });
    return file;
}

struct BandCase {
    const char* name;
    int width;
    int height;
    std::uint32_t bandRows;
};

class Bands : public ::testing::TestWithParam<BandCase> {};

TEST_P(Bands, DecodeToThePixelsInEveryReader) {
    const BandCase& c = GetParam();
    const std::vector<std::uint8_t> rgba = Picture(c.width, c.height);
    const std::string png = Write(c.width, c.height, c.bandRows, 1, rgba);
    ASSERT_EQ(Write(c.width, c.height, c.bandRows, 3, rgba), png) << "threads changed the file";
    TempDir dir;
    WriteFile(dir / "p.png", png);
    WriteFile(dir / "p.rgba", std::string(rgba.begin(), rgba.end()));

    std::size_t at = 0;
    orvane::png::PngReader reader([&](std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), png.size() - at);
        std::copy_n(png.begin() + static_cast<std::ptrdiff_t>(at), n, out.begin());
        at += n;
        return n;
    });
    EXPECT_TRUE(orvane::testing::ReadPixels(reader) == rgba) << "libspng";
    EXPECT_EQ(reader.Text("Orvane tiles"), "7");

    QImage qt;
    ASSERT_TRUE(qt.load(QString::fromStdString(dir / "p.png"), "PNG"));
    qt = qt.convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(qt.size(), QSize(c.width, c.height));
    for (int y = 0; y < c.height; ++y) {
        ASSERT_TRUE(std::equal(rgba.begin() + static_cast<std::ptrdiff_t>(y) * c.width * 4,
                               rgba.begin() + static_cast<std::ptrdiff_t>(y + 1) * c.width * 4,
                               qt.constScanLine(y)))
            << "Qt, row " << y;
    }

    if (!std::filesystem::exists(kPngcheck)) {
        GTEST_SKIP() << "pngcheck is missing: scripts/setup test installs it";
    }
    const Outcome check = RunProgram(dir, kPngcheck, {"-q", dir / "p.png"});
    EXPECT_EQ(check.status, 0) << check.out << check.err;

    const Outcome pillow = RunProgram(
        dir, kPython,
        {"-c",
         "import sys\n"
         "try:\n"
         "    from PIL import Image\n"
         "except ImportError:\n"
         "    sys.exit(77)\n"
         "image = Image.open(sys.argv[1])\n"
         "sys.exit(0 if image.mode == 'RGBA' and image.tobytes() == open(sys.argv[2], 'rb').read()"
         " else 1)",
         dir / "p.png", dir / "p.rgba"});
    if (pillow.status == 77 || pillow.status == 127) {
        GTEST_SKIP() << "Debian's python3 lacks Pillow: scripts/setup test installs python3-pil";
    }
    EXPECT_EQ(pillow.status, 0) << "Pillow: " << pillow.err;
}

INSTANTIATE_TEST_SUITE_P(Edges, Bands,
                         ::testing::Values(BandCase{"one_band", 47, 100, 100},
                                           BandCase{"band_per_tile_row", 608, 96, 32},
                                           BandCase{"last_band_shorter", 64, 100, 32},
                                           BandCase{"single_tile", 32, 32, 32},
                                           BandCase{"one_row_each", 5, 40, 1}),
                         RowName());

// The band table chunk of a PNG the writer made: where its data begins, and its length.
std::pair<std::size_t, std::size_t> BandTable(const std::string& png) {
    const std::size_t type = png.find("orBN");
    const auto length = static_cast<std::size_t>(static_cast<std::uint8_t>(png[type - 2]) << 8 |
                                                 static_cast<std::uint8_t>(png[type - 1]));
    return {type + 4, length};
}

// A word of the table set to value, the chunk's CRC made right again (or left wrong).
std::string WithTableWord(std::string png, std::size_t word, std::uint32_t value, bool fixCrc) {
    const auto [data, length] = BandTable(png);
    for (int i = 0; i < 4; ++i) {
        png[data + 4 * word + i] = static_cast<char>(value >> (24 - 8 * i));
    }
    if (fixCrc) {
        const auto* bytes = reinterpret_cast<const Bytef*>(png.data());
        const uLong crc = crc32(0, bytes + data - 4, static_cast<uInt>(length + 4));
        for (int i = 0; i < 4; ++i) {
            png[data + length + i] = static_cast<char>(crc >> (24 - 8 * i));
        }
    }
    return png;
}

std::uint32_t TableWord(const std::string& png, std::size_t word) {
    const std::size_t at = BandTable(png).first + 4 * word;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(png[at + i]);
    }
    return value;
}

struct TableCase {
    const char* name;
    std::function<std::string(const std::string&)> change;
    bool opens;
    bool reads;
};

class Table : public ::testing::TestWithParam<TableCase> {};

// The bands are read apart only as the table lays them out; a table that does not add up is not
// followed (libspng then reads the picture whole, as the other readers above do).
TEST_P(Table, IsFollowedOnlyWhereItHoldsTogether) {
    const TableCase& c = GetParam();
    const std::vector<std::uint8_t> rgba = Picture(64, 100);
    const std::string png = c.change(Write(64, 100, 32, 2, rgba));
    const auto readAt = [&](std::uint64_t offset, std::span<std::uint8_t> out) {
        const std::size_t n = std::min<std::size_t>(out.size(), png.size() - offset);
        std::copy_n(png.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
        return n;
    };
    const auto reader = orvane::png::BandReader::Open(readAt, png.size(), {});
    ASSERT_EQ(reader.has_value(), c.opens);
    if (!c.opens) {
        return;
    }
    std::vector<std::uint8_t> read(rgba.size());
    const bool whole =
        reader->ReadBands(readAt, 3, [&](std::uint32_t first, std::span<const std::uint8_t> rows) {
            std::copy(rows.begin(), rows.end(),
                      read.begin() + static_cast<std::ptrdiff_t>(first) * 64 * 4);
        });
    EXPECT_EQ(whole, c.reads);
    if (c.reads) {
        EXPECT_TRUE(read == rgba);
        EXPECT_EQ(reader->Text("Orvane tiles"), "7");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, Table,
    ::testing::Values(TableCase{"none", [](const std::string& png) { return png; }, true, true},
                      TableCase{
                          "band_rows_off",
                          [](const std::string& png) { return WithTableWord(png, 0, 16, true); },
                          false, false},
                      TableCase{"sizes_moved",
                                [](const std::string& png) {
                                    const std::uint32_t first = TableWord(png, 1);
                                    return WithTableWord(WithTableWord(png, 1, first - 1, true), 2,
                                                         TableWord(png, 2) + 1, true);
                                },
                                true, false},
                      TableCase{"crc_broken",
                                [](const std::string& png) {
                                    std::string broken = png;
                                    const auto [data, length] = BandTable(png);
                                    broken[data + length] =
                                        static_cast<char>(~broken[data + length]);
                                    return broken;
                                },
                                false, false}),
    RowName());

}  // namespace
