// orvane-pack run as its own process: tilesets through orvane-export's PNG and back, PNGs of every
// kind written by Qt's own PNG writer, and the pictures it refuses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/file_conditions.h"
#include "tests/support/process.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"

namespace {

using namespace orvane::testing;
using Strings = std::vector<std::string>;

const std::string kExport = ORVANE_EXPORT_PATH;
const std::string kPack = ORVANE_PACK_PATH;
const std::string kSamples = ORVANE_SAMPLES_DIR;

struct RoundTripCase {
    const char* name;
    std::function<std::string()> tileset;
    Strings exportOptions;
};
void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

// Each tileset through each picture orvane-export writes: the PNG, and the Tiled tileset beside
// its PNG.
class RoundTrip : public ::testing::TestWithParam<std::tuple<RoundTripCase, const char*>> {};

// The tileset comes back byte for byte, header and all.
TEST_P(RoundTrip, GivesBackTheFileByteForByte) {
    const auto& [c, ending] = GetParam();
    TempDir dir;
    const std::string original = c.tileset();
    WriteFile(dir / "in.tst", original);
    const std::string picture = dir / ("t." + std::string(ending));
    Strings exportArgs = c.exportOptions;
    exportArgs.insert(exportArgs.end(), {dir / "in.tst", picture});
    ASSERT_EQ(RunProgram(dir, kExport, exportArgs).status, 0);

    const Outcome pack = RunProgram(dir, kPack, {picture, dir / "t.tst"});

    EXPECT_EQ(pack.status, 0) << pack.err;
    const int count = BYTE(original[2]) | BYTE(original[3]) << 8;
    EXPECT_EQ(pack.out.rfind("Tileset saved: " + std::to_string(count) + " tile", 0), 0u);
    EXPECT_EQ(pack.err, "");
    EXPECT_TRUE(ReadFile(dir / "t.tst") == original);
}

std::function<std::string()> Sample(const std::string& name) {
    return [name] { return ReadFile(kSamples + "/" + name); };
}

std::function<std::string()> Made(int tiles,
                                  const orvane::testing::TilePixels& pixels = SeeThroughSignature,
                                  WORD first = 0xBEEF, WORD last = 7) {
    return
        [=] { return TilesetBytes(static_cast<std::int16_t>(tiles), tiles, pixels, first, last); };
}

// The island's tiles over and over, as many as a tileset holds: see-through pixels throughout.
std::string Largest() {
    const std::string island = ReadFile(kSamples + "/island.tst");
    std::string bytes = std::string("\0\0\xFF\x7F\0\0", 6);
    const std::size_t size = 6 + std::size_t{32767} * 3072;
    while (bytes.size() < size) {
        bytes.append(island, 6, size - bytes.size());
    }
    return bytes;
}

// The last three tiles are wholly see-through: only the recorded count brings them back.
Rgb LastThreeSeeThrough(int tile, int x, int y) {
    return tile >= 22 ? Rgb{0, 1, 2} : SeeThroughSignature(tile, x, y);
}

INSTANTIATE_TEST_SUITE_P(
    Tilesets, RoundTrip,
    ::testing::Combine(
        ::testing::Values(
            RoundTripCase{"demo", Sample("demo.tst"), {}},
            RoundTripCase{"terrain", Sample("terrain.tst"), {}},
            RoundTripCase{"walls", Sample("walls.tst"), {}},
            RoundTripCase{"island", Sample("island.tst"), {}},
            RoundTripCase{"one_tile", Made(1), {}}, RoundTripCase{"one_row", Made(19), {}},
            RoundTripCase{"second_row_begun", Made(20), {}},
            RoundTripCase{"trailing_see_through", Made(25, LastThreeSeeThrough), {}},
            RoundTripCase{"seven_columns", Made(25, LastThreeSeeThrough), {"--columns", "7"}},
            RoundTripCase{"free_words_largest", Made(2, SeeThroughSignature, 0xFFFF, 0xFFFF), {}},
            RoundTripCase{"only_the_last_word", Made(2, SeeThroughSignature, 0, 1), {}},
            RoundTripCase{"largest", Largest, {}}),
        ::testing::Values("png", "tsx")),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param);
    });

// The largest sheet under a 48 MB limit, in a control group as a container's: its tiles are
// refused with error 7 before they outgrow it, not by the kernel killing the program.
TEST(OrvanePack, TilesMemoryCannotHoldAreOutOfMemory) {
    TempDir dir;
    WriteFile(dir / "in.tst", Largest());
    ASSERT_EQ(RunProgram(dir, kExport, {dir / "in.tst", dir / "t.png"}).status, 0);
    const std::string err = dir / "err";
    const std::optional<int> status = RunWithMemoryLimit(48 << 20, [&] {
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        // Under AddressSanitizer, freed memory is held back unless told otherwise.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        ::setenv("ASAN_OPTIONS",
                 (std::string(sanitizer ? sanitizer : "") + ":quarantine_size_mb=0").c_str(), 1);
        ::execl(kPack.c_str(), kPack.c_str(), (dir / "t.png").c_str(), (dir / "t.tst").c_str(),
                nullptr);
        return 126;
    });
    if (!status) {
        GTEST_SKIP() << "no memory control group can be made here";
    }
    ASSERT_TRUE(WIFEXITED(*status)) << "killed by signal " << WTERMSIG(*status);
    EXPECT_EQ(WEXITSTATUS(*status), 1);
    EXPECT_TRUE(Contains(ReadFile(err), "t.png': error 7: Out of memory")) << ReadFile(err);
}

// Three cells: the first with a pixel of the key colour, one at alpha 127 and one at 128 among
// its see-through and coloured ones, the second coloured, the third wholly transparent. Few
// colours, so that Qt can make a palette of them.
QImage ThreeCells() {
    QImage image(96, 32, QImage::Format_RGBA8888);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 96; ++x) {
            const int cell = x / 32;
            QColor colour(40 * cell + 8 * (x % 4), 16 * (y % 8), 100 + 50 * cell, 255);
            if (cell == 2 || (x + y) % 3 == 0) {
                colour = QColor(0, 0, 0, 0);
            } else if (x == 1 && y == 1) {
                colour = QColor(0, 1, 2);
            } else if (x == 2 && y == 2) {
                colour = QColor(200, 10, 10, 127);
            } else if (x == 5 && y == 2) {
                colour = QColor(10, 200, 10, 128);
            }
            image.setPixelColor(x, y, colour);
        }
    }
    return image;
}

struct KindCase {
    const char* name;
    QImage::Format format;
    int tiles;   // the transparent cell is dropped where the picture keeps alpha
    int nudged;  // only where the key colour survives
};
void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

class PngKinds : public ::testing::TestWithParam<KindCase> {};

// What Qt reads back from the picture it wrote, cut into tiles by the rules: alpha below 128 is
// the key colour, an opaque key colour becomes (0, 1, 3).
TEST_P(PngKinds, BecomeTilesOfTheColoursQtReadsBack) {
    const KindCase& c = GetParam();
    TempDir dir;
    QImage picture = ThreeCells();
    QList<QRgb> palette;  // every colour exactly: Qt's own palette may merge some
    for (int i = 0; i < picture.width() * picture.height(); ++i) {
        if (const QRgb colour = picture.pixel(i % 96, i / 96); !palette.contains(colour)) {
            palette.append(colour);
        }
    }
    // 16-bit grey of 8-bit grey, each sample v × 257, so that reducing it to 8 bits by any
    // rule, Qt's or libspng's, gives v again.
    if (c.format == QImage::Format_Grayscale16) {
        picture = picture.convertToFormat(QImage::Format_Grayscale8);
    }
    picture = picture.convertToFormat(c.format, palette);
    ASSERT_TRUE(picture.save(QString::fromStdString(dir / "x.png"), "PNG"));

    const Outcome run = RunProgram(dir, kPack, {dir / "x.png", dir / "x.tst"});

    EXPECT_EQ(run.status, 0) << run.err;
    const QImage read =
        QImage(QString::fromStdString(dir / "x.png")).convertToFormat(QImage::Format_RGBA8888);
    const auto rule = [&](int tile, int x, int y) {
        const QColor p = read.pixelColor(tile * 32 + x - 1, y - 1);
        const bool key = p.red() == 0 && p.green() == 1 && p.blue() == 2;
        return p.alpha() < 128 ? Rgb{0, 1, 2}
                               : Rgb{BYTE(p.red()), BYTE(p.green()), BYTE(p.blue() + key)};
    };
    EXPECT_TRUE(ReadFile(dir / "x.tst") ==
                TilesetBytes(static_cast<std::int16_t>(c.tiles), c.tiles, rule));
    EXPECT_EQ(Contains(run.err, std::to_string(c.nudged) + " opaque pixel of the key colour"),
              c.nudged == 1)
        << run.err;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PngKinds,
                         ::testing::Values(KindCase{"rgba", QImage::Format_RGBA8888, 2, 1},
                                           KindCase{"rgba_16_bit", QImage::Format_RGBA64, 2, 1},
                                           KindCase{"rgb", QImage::Format_RGB888, 3, 1},
                                           KindCase{"palette", QImage::Format_Indexed8, 2, 1},
                                           KindCase{"grey", QImage::Format_Grayscale8, 3, 0},
                                           KindCase{"grey_16_bit", QImage::Format_Grayscale16, 3,
                                                    0}),
                         RowName());

struct RefusalCase {
    const char* name;
    std::function<void(const TempDir&)> picture;  // writes x.png
    int status;
    std::string errorPart;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refused, SaysWhyAndWritesNothing) {
    const RefusalCase& c = GetParam();
    TempDir dir;
    c.picture(dir);
    const Strings before = FolderEntries(dir.path());

    const Outcome run = RunProgram(dir, kPack, {dir / "x.png", dir / "x.tst"});

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, c.errorPart)) << run.err;
    EXPECT_EQ(FolderEntries(dir.path()), before);
}

// Transparent but for the last pixel, or wholly.
std::function<void(const TempDir&)> Picture(int width, int height, const char* tiles = nullptr,
                                            bool drawn = true) {
    return [=](const TempDir& d) {
        QImage image(width, height, QImage::Format_RGBA8888);
        image.fill(Qt::transparent);
        if (drawn) {
            image.setPixelColor(width - 1, height - 1, Qt::red);
        }
        if (tiles != nullptr) {
            image.setText("Orvane tiles", tiles);
        }
        image.save(QString::fromStdString(d / "x.png"), "PNG");
    };
}

std::function<void(const TempDir&)> Text(const std::string& text) {
    return [=](const TempDir& d) { WriteFile(d / "x.png", text); };
}

// The demo's PNG, changed.
std::function<void(const TempDir&)> Demo(const std::function<void(std::string&)>& change) {
    return [=](const TempDir& d) {
        RunProgram(d, kExport, {kSamples + "/demo.tst", d / "demo.png"});
        std::string bytes = ReadFile(d / "demo.png");
        std::filesystem::remove(d / "demo.png");
        change(bytes);
        WriteFile(d / "x.png", bytes);
    };
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Refused,
    ::testing::Values(
        RefusalCase{"width_off_the_cells", Picture(100, 64), 2,
                    "100 x 64 pixels: its width is 4 pixels over a multiple of 32 (96)"},
        RefusalCase{"height_off_the_cells", Picture(64, 40), 2,
                    "its height is 8 pixels over a multiple of 32 (32)"},
        RefusalCase{"narrower_than_a_cell", Picture(1, 32), 2,
                    "its width is 1 pixel, less than 32"},
        RefusalCase{"no_tiles", Picture(64, 32, nullptr, false), 2, "the picture holds no tiles"},
        // The tileset a link to the picture: the picture is kept.
        RefusalCase{"tileset_is_the_picture",
                    [](const TempDir& d) {
                        Picture(32, 32)(d);
                        std::filesystem::create_symlink("x.png", d / "x.tst");
                    },
                    2, "x.tst': it is '"},
        RefusalCase{"not_a_png", [](const TempDir& d) { WriteFile(d / "x.png", "GIF89a......"); },
                    2, "it is not a PNG picture (no PNG signature)"},
        RefusalCase{"cut_short", Demo([](std::string& b) { b.resize(b.size() / 2); }), 2,
                    "the PNG is damaged"},
        RefusalCase{"bad_checksum", Demo([](std::string& b) { b[b.size() / 2] ^= 0x10; }), 2,
                    "the PNG is damaged"},
        RefusalCase{"records_more_than_its_cells", Picture(64, 32, "3"), 2,
                    "it records 3 tiles but has only 2 cells"},
        RefusalCase{"records_no_count", Picture(64, 32, "3 tiles"), 2,
                    "'3 tiles', is not a count of tiles"},
        // 256 x 128 cells, only the last drawn: it would be tile 32 768.
        RefusalCase{"more_than_a_tileset_holds", Picture(8192, 4096), 2,
                    "more than the 32767 tiles a tileset can: cell 32768 is drawn"},
        RefusalCase{"missing", [](const TempDir&) {}, 1, "error 53: File not found"},
        // A Tiled tileset is told by its content, whatever its name.
        RefusalCase{"tiled_tiles_of_16",
                    Text("<tileset tilewidth='16' tileheight='16'><image source='a.png'/>"
                         "</tileset>"),
                    2, "its tiles are 16 x 16 pixels: a tileset's are 32 x 32"},
        RefusalCase{"tiled_document_type",
                    Text("<!DOCTYPE t [<!ENTITY a 'aaaaaaaa'><!ENTITY b '&a;&a;&a;&a;'>]>"
                         "<tileset name='&b;'/>"),
                    2, "it declares a document type"},
        RefusalCase{"tiled_not_well_formed", Text("\xEF\xBB\xBF <tileset tilewidth='32'"), 2,
                    "it is not well-formed XML"},
        RefusalCase{"tileset_read_only",
                    [](const TempDir& d) {
                        Picture(32, 32)(d);
                        WriteFile(d / "x.tst", "old");
                        ::chmod((d / "x.tst").c_str(), 0444);
                    },
                    1, "writing '"}),
    RowName());

}  // namespace
