// Tiled tilesets read and written by Tiled itself: orvane-export's .tsx read by Tiled and its map
// renderer, and .tsx files that Tiled saved packed by orvane-pack.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <filesystem>
#include <string>
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
const std::string kTiled = "/usr/bin/tiled";
const std::string kRasterizer = "/usr/bin/tmxrasterizer";

// Tiled keeps its settings in the test's folder, not the user's.
Outcome RunTiled(const TempDir& dir, const std::string& program, const Strings& args) {
    return RunProgram(dir, program, args,
                      {{"XDG_CONFIG_HOME", dir / "config"}, {"XDG_RUNTIME_DIR", std::nullopt}});
}

QImage Rgba(const std::string& file) {
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_RGBA8888);
}

struct ExportCase {
    const char* name;
    int tiles;
    Strings options;
    WORD first = 0, last = 0;
    std::string file = "out";  // the name of the .tsx, without ".tsx"
};
void PrintTo(const ExportCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadByTiled : public ::testing::TestWithParam<ExportCase> {};

// Tiled counts the tileset as the .tsx says, and a map of every tile in mosaic order renders as
// our PNG, alpha and all.
TEST_P(ReadByTiled, CountsAndRendersTheTilesAsOurPng) {
    const ExportCase& c = GetParam();
    if (!std::filesystem::exists(kTiled) || !std::filesystem::exists(kRasterizer)) {
        GTEST_SKIP() << "Tiled is not installed (scripts/setup test installs it)";
    }
    TempDir dir;
    WriteFile(dir / "in.tst", TilesetBytes(static_cast<std::int16_t>(c.tiles), c.tiles,
                                           SeeThroughSignature, c.first, c.last));
    Strings args = c.options;
    const std::string tsx = dir / (c.file + ".tsx");
    args.insert(args.end(), {dir / "in.tst", tsx});
    const Outcome run = RunProgram(dir, kExport, args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Tiled tileset saved!\n");
    const QImage png = Rgba(dir / (c.file + ".png"));
    ASSERT_FALSE(png.isNull());
    const int across = png.width() / 32;
    const int down = png.height() / 32;

    ASSERT_EQ(RunTiled(dir, kTiled, {"--export-tileset", "json", tsx, dir / "out.json"}).status, 0);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(dir / "out.json"))).object();
    EXPECT_EQ(json["tilecount"].toInt(), across * down);
    EXPECT_EQ(json["columns"].toInt(), across);
    EXPECT_EQ(json["imagewidth"].toInt(), png.width());
    EXPECT_EQ(json["imageheight"].toInt(), png.height());
    EXPECT_EQ(json["name"].toString().toStdString(), c.file);
    EXPECT_EQ(json["image"].toString().toStdString(), c.file + ".png");

    // The map names the .tsx as a path, "./" first, in XML's escapes.
    std::string source = "./";
    for (const char ch : c.file + ".tsx") {
        source += ch == '&'   ? "&amp;"
                  : ch == '<' ? "&lt;"
                  : ch == '>' ? "&gt;"
                              : std::string(1, ch);
    }
    std::string cells;
    for (int gid = 1; gid <= across * down; ++gid) {
        cells.append(gid > 1 ? "," : "").append(std::to_string(gid));
    }
    const std::string size =
        "width=\"" + std::to_string(across) + "\" height=\"" + std::to_string(down) + "\"";
    WriteFile(dir / "map.tmx",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.8\" "
              "orientation=\"orthogonal\" renderorder=\"right-down\" " +
                  size +
                  " tilewidth=\"32\" tileheight=\"32\" infinite=\"0\" nextlayerid=\"2\" "
                  "nextobjectid=\"1\">\n <tileset firstgid=\"1\" source=\"" +
                  source + "\"/>\n <layer id=\"1\" name=\"tiles\" " + size +
                  ">\n  <data encoding=\"csv\">" + cells + "</data>\n </layer>\n</map>\n");
    ASSERT_EQ(RunTiled(dir, kRasterizer, {dir / "map.tmx", dir / "map.png"}).status, 0);
    const QImage rendered = Rgba(dir / "map.png");
    ASSERT_EQ(rendered.size(), png.size());
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            ASSERT_EQ(rendered.pixel(x, y), png.pixel(x, y)) << "at (" << x << ", " << y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tilesets, ReadByTiled,
    ::testing::Values(ExportCase{"one_tile", 1, {}}, ExportCase{"second_row_begun", 20, {}},
                      ExportCase{"seven_columns", 25, {"--columns", "7"}},
                      ExportCase{"free_words", 3, {}, 0xBEEF, 7},
                      // Tiled would take "c:" for an address's scheme.
                      ExportCase{"name_with_markup_and_a_colon", 2, {}, 0, 0, "c:t & <w>"}),
    RowName());

struct SheetCase {
    const char* name;
    int margin, spacing;
    int across, down;  // tiles
    int extra;         // pixels past the last whole tile, right and below
    bool trans;        // a transparent colour, scattered over the tiles
};
void PrintTo(const SheetCase& c, std::ostream* os) {
    *os << c.name;
}

class SavedByTiled : public ::testing::TestWithParam<SheetCase> {};

constexpr QRgb kTrans = 0xFFFF00FF;

// Tile pixel (x, y), from 1, of tile: a pixel of the transparent colour on every seventh
// diagonal when the sheet has one.
bool IsTrans(const SheetCase& c, int x, int y) {
    return c.trans && (x + y) % 7 == 0;
}

// A sheet drawn here, its tileset saved by Tiled with a property, an animated tile and a wang set,
// packs to the tiles Tiled cuts from it, and says once what it left out.
TEST_P(SavedByTiled, PacksToTheTilesTiledCuts) {
    const SheetCase& c = GetParam();
    if (!std::filesystem::exists(kTiled)) {
        GTEST_SKIP() << "Tiled is not installed (scripts/setup test installs it)";
    }
    TempDir dir;
    const int step = 32 + c.spacing;
    QImage sheet(c.margin + c.across * step - c.spacing + c.extra,
                 c.margin + c.down * step - c.spacing + c.extra, QImage::Format_RGB888);
    sheet.fill(kTrans);
    for (int tile = 0; tile < c.across * c.down; ++tile) {
        for (int y = 1; y <= 32; ++y) {
            for (int x = 1; x <= 32; ++x) {
                const Rgb p = Signature(tile, x, y);
                sheet.setPixel(c.margin + tile % c.across * step + x - 1,
                               c.margin + tile / c.across * step + y - 1,
                               IsTrans(c, x, y) ? kTrans : qRgb(p.r, p.g, p.b));
            }
        }
    }
    ASSERT_TRUE(sheet.save(QString::fromStdString(dir / "sheet.png"), "PNG"));
    const int tiles = c.across * c.down;
    WriteFile(
        dir / "sheet.json",
        "{\"type\": \"tileset\", \"version\": \"1.8\", \"name\": \"sheet\", \"tilewidth\": "
        "32, \"tileheight\": 32, \"margin\": " +
            std::to_string(c.margin) + ", \"spacing\": " + std::to_string(c.spacing) +
            ", \"columns\": " + std::to_string(c.across) +
            ", \"tilecount\": " + std::to_string(tiles) +
            ", \"image\": \"sheet.png\", \"imagewidth\": " + std::to_string(sheet.width()) +
            ", \"imageheight\": " + std::to_string(sheet.height()) +
            (c.trans ? ", \"transparentcolor\": \"#ff00ff\"" : "") +
            ", \"properties\": [{\"name\": \"biome\", \"type\": \"string\", \"value\": "
            "\"<forest & \\\"moor\\\">\"}], \"tiles\": [{\"id\": 0, \"animation\": "
            "[{\"tileid\": 0, \"duration\": 100}, {\"tileid\": 1, \"duration\": 100}], "
            "\"properties\": [{\"name\": \"Orvane tiles\", \"type\": \"int\", \"value\": 1}]}], "
            "\"wangsets\": [{\"name\": \"w\", \"type\": \"corner\", \"tile\": -1, "
            "\"colors\": [{\"name\": \"grass\", \"color\": \"#00ff00\", \"tile\": -1, "
            "\"probability\": 1}], \"wangtiles\": [{\"tileid\": 0, \"wangid\": "
            "[0, 1, 0, 1, 0, 1, 0, 1]}]}]}");
    ASSERT_EQ(RunTiled(dir, kTiled, {"--export-tileset", "tsx", dir / "sheet.json", dir / "t.tsx"})
                  .status,
              0);
    const std::string tsx = ReadFile(dir / "t.tsx");
    ASSERT_TRUE(Contains(tsx, "margin=\"" + std::to_string(c.margin) + "\"") == (c.margin > 0))
        << tsx;
    ASSERT_TRUE(Contains(tsx, "<wangsets>")) << tsx;

    const Outcome pack = RunProgram(dir, kPack, {dir / "t.tsx", dir / "t.tst"});

    EXPECT_EQ(pack.status, 0) << pack.err;
    EXPECT_EQ(pack.out, "Tileset saved: " + std::to_string(tiles) + " tiles\n");
    EXPECT_EQ(pack.err, "orvane-pack: " + dir / "t.tsx" +
                            ": ignored, as a tileset cannot hold them: properties tile wangsets\n");
    EXPECT_TRUE(ReadFile(dir / "t.tst") ==
                TilesetBytes(static_cast<std::int16_t>(tiles), tiles, [&](int tile, int x, int y) {
                    return IsTrans(c, x, y) ? Rgb{0, 1, 2} : Signature(tile, x, y);
                }));
}

INSTANTIATE_TEST_SUITE_P(Sheets, SavedByTiled,
                         ::testing::Values(SheetCase{"margin_2_spacing_1", 2, 1, 4, 3, 0, true},
                                           SheetCase{"pixels_past_the_last_tile", 0, 0, 3, 2, 31,
                                                     false},
                                           SheetCase{"margin_5_spacing_7", 5, 7, 2, 2, 31, true}),
                         RowName());

}  // namespace
