// orvane-tiles run as its own process on tilesets built here: what each command prints and exits
// with, a deduplicated tileset rebuilt from its map, and the difference picture read back by Qt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <filesystem>
#include <functional>
#include <sstream>
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
using Tileset = std::function<std::string()>;

const std::string kTiles = ORVANE_TILES_PATH;

// Arguments that begin with '@' name a file in dir.
Strings InDir(const TempDir& dir, Strings args) {
    for (std::string& arg : args) {
        if (arg.starts_with("@")) {
            arg = dir / arg.substr(1);
        }
    }
    return args;
}

// A picture that no mirror or turn leaves the same, and the same oriented: mirrored (left and
// right swapped) first, then turned clockwise. x and y from 1.
Rgb Shape(int x, int y) {
    return {BYTE(x * 7), BYTE(y * 5), BYTE(x * y)};
}
Rgb Oriented(bool mirrored, int turned, int x, int y) {
    const int mx = 33 - x;
    const int my = 33 - y;
    switch (turned + (mirrored ? 1 : 0)) {
        case 0:
            return Shape(x, y);
        case 1:
            return Shape(mx, y);
        case 90:
            return Shape(y, mx);
        case 91:
            return Shape(my, mx);
        case 180:
            return Shape(mx, my);
        case 181:
            return Shape(x, my);
        case 270:
            return Shape(my, x);
        default:
            return Shape(y, x);
    }
}

constexpr Rgb kKey{0, 1, 2};

// A tileset of the given tiles, each a picture of its own; words are the header's free words.
Tileset Of(std::vector<TilePixels> tiles, WORD first = 0, WORD last = 0) {
    return [=] {
        const auto count = static_cast<std::int16_t>(tiles.size());
        return TilesetBytes(
            count, count, [&](int tile, int x, int y) { return tiles[tile](0, x, y); }, first,
            last);
    };
}
TilePixels Sig(int n) {
    return [n](int, int x, int y) { return Signature(n, x, y); };
}
TilePixels Turned(bool mirrored, int turned) {
    return [=](int, int x, int y) { return Oriented(mirrored, turned, x, y); };
}
TilePixels Flat(Rgb colour) {
    return [=](int, int, int) { return colour; };
}
// Signature(n), but n pixels of it changed.
TilePixels Touched(int n, int pixels) {
    return [=](int, int x, int y) {
        return (x - 1) * 32 + y - 1 < pixels ? Rgb{1, 1, 1} : Signature(n, x, y);
    };
}
// tiles tiles, tile t showing Signature(t % kinds).
Tileset Repeating(int tiles, int kinds) {
    return [=] {
        return TilesetBytes(static_cast<std::int16_t>(tiles), tiles,
                            [=](int tile, int x, int y) { return Signature(tile % kinds, x, y); });
    };
}
std::string RepeatingGroups(int tiles, int kinds) {
    std::string lines;
    for (int first = 1; first <= kinds; ++first) {
        for (int tile = first; tile <= tiles; tile += kinds) {
            lines += (tile == first ? "" : " = ") + std::to_string(tile);
        }
        lines += '\n';
    }
    return lines;
}

const std::vector<TilePixels> kEightWays = {
    Turned(false, 0), Turned(true, 0),   Turned(false, 90), Turned(false, 180), Turned(false, 270),
    Turned(true, 90), Turned(true, 180), Turned(true, 270), Turned(false, 0)};
const Tileset kWithEmpty = Of({Sig(0), Flat(kKey), Sig(1), Flat(kKey), Flat(kKey), Sig(0)});
const Tileset kFive = Of({Sig(0), Sig(1), Sig(2), Sig(3), Sig(4)}, 1, 2);

struct TilesCase {
    const char* name;
    Tileset a;  // written to a.tst
    Tileset b;  // written to b.tst, when given
    Strings args;
    int status;
    std::string out;
    std::string errPart = {};  // "": nothing at all on standard error
};
void PrintTo(const TilesCase& c, std::ostream* os) {
    *os << c.name;
}

class Prints : public ::testing::TestWithParam<TilesCase> {};

TEST_P(Prints, ItsLinesAndStatus) {
    const TilesCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "a.tst", c.a());
    if (c.b) {
        WriteFile(dir / "b.tst", c.b());
    }

    const Outcome run = RunProgram(dir, kTiles, InDir(dir, c.args));

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    if (c.errPart.empty()) {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.err.rfind("orvane-tiles: ", 0), 0u) << run.err;
        EXPECT_TRUE(Contains(run.err, c.errPart)) << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tilesets, Prints,
    ::testing::Values(
        TilesCase{"no_duplicates", kFive, {}, {"duplicates", "@a.tst"}, 0, ""},
        TilesCase{
            "all_duplicates", Repeating(4, 1), {}, {"duplicates", "@a.tst"}, 0, "1 = 2 = 3 = 4\n"},
        TilesCase{
            "turned_copies_exactly", Of(kEightWays), {}, {"duplicates", "@a.tst"}, 0, "1 = 9\n"},
        TilesCase{"turned_copies_symmetric",
                  Of(kEightWays),
                  {},
                  {"duplicates", "--symmetric", "@a.tst"},
                  0,
                  "1 = 2 (mirrored) = 3 (turned 90°) = 4 (turned 180°) = 5 (turned 270°) = 6 "
                  "(mirrored, turned 90°) = 7 (mirrored, turned 180°) = 8 (mirrored, turned "
                  "270°) = 9\n"},
        TilesCase{"turned_copies_json",
                  Of({Turned(false, 0), Sig(1), Turned(true, 90)}),
                  {},
                  {"duplicates", "@a.tst", "--json", "--symmetric"},
                  0,
                  "{\"tiles\": 3, \"groups\": [[{\"tile\": 1, \"mirrored\": false, \"turned\": 0}, "
                  "{\"tile\": 3, \"mirrored\": true, \"turned\": 90}]], \"empty\": []}\n"},
        TilesCase{
            "empty_tiles", kWithEmpty, {}, {"duplicates", "@a.tst"}, 0, "1 = 6\nempty: 2 4 5\n"},
        TilesCase{"empty_tiles_json",
                  kWithEmpty,
                  {},
                  {"duplicates", "--json", "@a.tst"},
                  0,
                  "{\"tiles\": 6, \"groups\": [[{\"tile\": 1}, {\"tile\": 6}]], \"empty\": [2, 4, "
                  "5]}\n"},
        TilesCase{"one_tile", Repeating(1, 1), {}, {"duplicates", "@a.tst"}, 0, ""},
        TilesCase{"largest",
                  Repeating(32767, 1000),
                  {},
                  {"duplicates", "@a.tst"},
                  0,
                  RepeatingGroups(32767, 1000)},
        // 1024 colours of the shape, red and blue; half of the fifth tile is see-through.
        TilesCase{"stats",
                  Of({Flat({200, 0, 0}), Flat({200, 0, 0}), Flat(kKey),
                      [](int, int x, int) {
                          return x <= 16 ? kKey : Rgb{0, 0, 200};
                      },
                      Turned(false, 0)}),
                  {},
                  {"stats", "@a.tst"},
                  0,
                  "tiles: 5\ndistinct: 4\nempty: 1\nsee-through: 2\ncolours: 1026\n"},
        TilesCase{"diff_same", kFive, kFive, {"diff", "@a.tst", "@b.tst"}, 0, ""},
        TilesCase{"diff_free_words_without_header",
                  kFive,
                  Of({Sig(0), Sig(1), Sig(2), Sig(3), Sig(4)}),
                  {"diff", "@a.tst", "@b.tst"},
                  0,
                  ""},
        TilesCase{"diff_free_words_with_header",
                  kFive,
                  Of({Sig(0), Sig(1), Sig(2), Sig(3), Sig(4)}, 48879, 7),
                  {"diff", "--header", "@a.tst", "@b.tst"},
                  1,
                  "changed header (free words 1 2 to 48879 7)\n"},
        TilesCase{"diff_changed_and_removed",
                  kFive,
                  Of({Sig(0), Touched(1, 312), Sig(2), Touched(3, 1)}, 1, 2),
                  {"diff", "@a.tst", "@b.tst"},
                  1,
                  "changed 2 (312 pixels)\nchanged 4 (1 pixel)\nremoved 5\n"},
        TilesCase{"diff_added",
                  Of({Sig(0)}),
                  Of({Sig(0), Sig(1), Sig(2)}),
                  {"diff", "@a.tst", "@b.tst"},
                  1,
                  "added 2\nadded 3\n"},
        TilesCase{"diff_missing",
                  kFive,
                  {},
                  {"diff", "@a.tst", "@b.tst"},
                  2,
                  "",
                  "error 53: File not found"},
        TilesCase{"diff_damaged",
                  kFive,
                  [] { return std::string("\0\0\5\0\0\0", 6); },
                  {"diff", "@a.tst", "@b.tst"},
                  2,
                  "",
                  "error 321: Invalid file format (the header counts 5 tiles, the file holds 0)"},
        TilesCase{"diff_unknown_option",
                  kFive,
                  kFive,
                  {"diff", "--map", "@a.tst", "@b.tst"},
                  2,
                  "",
                  "unknown option '--map' for diff"},
        TilesCase{"duplicates_damaged",
                  [] { return std::string("\0\0", 2); },
                  {},
                  {"duplicates", "@a.tst"},
                  1,
                  "",
                  "fewer than the 6 of a tileset's header"},
        TilesCase{
            "unknown_command", kFive, {}, {"dupes", "@a.tst"}, 2, "", "unknown command 'dupes'"},
        TilesCase{
            "dedupe_one_file", kFive, {}, {"dedupe", "@a.tst"}, 2, "", "expected IN and OUT"}),
    RowName());

// Every old tile, read from OUT where the map says, gives back IN byte for byte, header and all.
class DedupeMap : public ::testing::TestWithParam<std::pair<const char*, Tileset>> {};

TEST_P(DedupeMap, RebuildsTheOriginal) {
    TempDir dir;
    const std::string original = GetParam().second();
    WriteFile(dir / "in.tst", original);

    const Outcome run = RunProgram(
        dir, kTiles, {"dedupe", dir / "in.tst", dir / "out.tst", "--map", dir / "map.csv"});

    ASSERT_EQ(run.status, 0) << run.err;
    const std::string out = ReadFile(dir / "out.tst");
    std::string rebuilt = out.substr(0, 6);
    rebuilt.replace(2, 2, original.substr(2, 2));
    std::istringstream map(ReadFile(dir / "map.csv"));
    int expected = 1;
    int old = 0;
    int kept = 0;
    char comma = 0;
    while (map >> old >> comma >> kept) {
        ASSERT_EQ(old, expected++);
        ASSERT_EQ(comma, ',');
        rebuilt += out.substr(6 + std::size_t{3072} * (kept - 1), 3072);
    }
    EXPECT_TRUE(rebuilt == original);
    const int count = BYTE(out[2]) | BYTE(out[3]) << 8;
    EXPECT_EQ(out.size(), 6 + std::size_t{3072} * count);
    EXPECT_EQ(run.out, "Tileset saved: " + std::to_string(count) + " tiles (" +
                           std::to_string(expected - 1 - count) + " copies left out)\n");
}

INSTANTIATE_TEST_SUITE_P(
    Tilesets, DedupeMap,
    ::testing::Values(std::pair{"copies_and_empty_tiles",
                                Of({Sig(0), Flat(kKey), Sig(1), Flat(kKey), Sig(0), Sig(2)}, 0xBEEF,
                                   7)},
                      std::pair{"no_copies", kFive}, std::pair{"largest", Repeating(32767, 777)}),
    [](const auto& info) { return std::string(info.param.first); });

// IN under any name is refused as OUT or as the map, and nothing is written.
TEST(Dedupe, RefusesToWriteWhatItReads) {
    TempDir dir;
    const std::string tileset = kFive();
    WriteFile(dir / "in.tst", tileset);
    ASSERT_EQ(::symlink((dir / "in.tst").c_str(), (dir / "link.tst").c_str()), 0);
    ASSERT_EQ(::link((dir / "in.tst").c_str(), (dir / "hard.tst").c_str()), 0);
    const Strings before = FolderEntries(dir.path());
    for (const Strings& args : {Strings{"@in.tst", "@in.tst"}, Strings{"@in.tst", "@link.tst"},
                                Strings{"@link.tst", "@hard.tst"},
                                Strings{"@in.tst", "@out.tst", "--map", "@hard.tst"}}) {
        Strings line = InDir(dir, args);
        line.insert(line.begin(), "dedupe");

        const Outcome run = RunProgram(dir, kTiles, line);

        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_TRUE(Contains(run.err, "would be replaced while it is read")) << run.err;
    }
    EXPECT_EQ(FolderEntries(dir.path()), before);
    EXPECT_TRUE(ReadFile(dir / "in.tst") == tileset);
}

// B's mosaic with a cell for each tile of either, outlined by what happened to it, as Qt reads
// the picture: changed tile 2, tile 4 the same, added 6 after A's five; none removed. And the
// other way round, tile 6 removed.
TEST(DiffPicture, OutlinesEachTileByItsChange) {
    TempDir dir;
    WriteFile(dir / "a.tst", kFive());
    WriteFile(dir / "b.tst", Of({Sig(0), Touched(1, 5), Sig(2), Sig(3), Sig(4), Sig(5)})());
    const auto cell = [](const QImage& image, int tile, int x, int y) {
        return image.pixelColor(tile * 32 + x, y);
    };
    const QColor amber(255, 170, 0), blue(0, 120, 255), red(200, 0, 40);
    for (const bool removed : {false, true}) {
        const Strings args = removed ? Strings{"@b.tst", "@a.tst"} : Strings{"@a.tst", "@b.tst"};
        const Outcome run =
            RunProgram(dir, kTiles, InDir(dir, {"diff", "--picture", "@d.png", args[0], args[1]}));
        ASSERT_EQ(run.status, 1) << run.err;

        const QImage image(QString::fromStdString(dir / "d.png"));
        ASSERT_EQ(image.size(), QSize(6 * 32, 32));
        for (const auto& [x, y] : {std::pair{0, 0}, {1, 17}, {31, 30}, {20, 31}}) {
            EXPECT_EQ(cell(image, 1, x, y), amber) << x << ", " << y;
            EXPECT_EQ(cell(image, 5, x, y), removed ? red : blue) << x << ", " << y;
            const Rgb own = Signature(3, x + 1, y + 1);
            EXPECT_EQ(cell(image, 3, x, y), QColor(own.r, own.g, own.b)) << x << ", " << y;
        }
        const Rgb inside = Signature(1, 3, 3);
        EXPECT_EQ(cell(image, 1, 2, 2), QColor(inside.r, inside.g, inside.b));
        EXPECT_EQ(cell(image, 5, 2, 2).alpha(), removed ? 0 : 255);
    }
}

}  // namespace
