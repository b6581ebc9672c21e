// File > Open beyond the layout: cancel, a second tileset, short files, files that cannot be
// opened, the header's free words.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <tuple>

#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "tests/support/file_conditions.h"
#include "tests/support/picture_compare.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/error_report.h"
#include "viewer/main_form.h"

namespace {

using namespace orvane::testing;
using orvane::platform::ScopedBitmapLimit;
using orvane::viewer::DialogKind;
using orvane::viewer::MainForm;
using orvane::viewer::RunReportingErrors;
using orvane::viewer::ScriptedDialog;
using Strings = std::vector<std::string>;

constexpr Rgb kKey{0, 1, 2};

TEST(OpenCommand, CancelAtStartChangesNothing) {
    ScriptedDialog dialog({""});
    MainForm form(dialog);
    const float width = form.Width();
    const float height = form.Height();

    form.mnuOpen_Click();

    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, DialogKind::Open);
    EXPECT_EQ(dialog.shown[0].filter, "Tileset Files (*.tst)|*.tst");
    EXPECT_FALSE(dialog.shown[0].cancelError);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    EXPECT_FALSE(form.bTilesetLoaded);
    EXPECT_TRUE(PicturesNear(ViewOf(form.Picture1), Plain(165, 153, kCanvasBackground)))
        << "the design size";
}

// The second tileset is smaller and see-through almost everywhere: nothing of the first may
// show through it.
TEST(OpenCommand, SecondOpenReplacesALargerFirstEntirely) {
    TempDir dir;
    WriteFile(dir / "large.tst", TilesetBytes(240, 240));
    WriteFile(dir / "small.tst", TilesetBytes(3, 3, [](int tile, int x, int y) {
                  return x == 1 && y == 1 ? Signature(tile + 100, 1, 1) : kKey;
              }));
    ScriptedDialog dialog({dir / "large.tst", dir / "small.tst"});
    MainForm form(dialog);
    form.mnuOpen_Click();

    form.mnuOpen_Click();

    EXPECT_EQ(form.TilesetHeader.TileCount, 3);
    EXPECT_EQ(form.Width(), 96 * 15 + 100);
    EXPECT_EQ(form.Height(), 32 * 15 + 800);
    EXPECT_TRUE(PicturesNear(ViewOf(form.Picture1),
                             {96, 32, [](int x, int y) {
                                  return x % 32 == 0 && y == 0 ? SignatureColour(x / 32 + 100, 1, 1)
                                                               : kCanvasBackground;
                              }}));
}

struct UnopenableCase {
    const char* name;
    const char* path;                // inside the test's folder; "" cancels the dialog
    const char* message;             // "" for none
    const char* contents = nullptr;  // written to path first, when given
    std::size_t size = 0;            // of contents, which may hold zero bytes
    std::size_t bitmapLimit = 0;     // bytes a picture may take while it opens; 0: any
    bool cutWhileRead = false;       // the file is cut to one tile after its length is checked
};
void PrintTo(const UnopenableCase& c, std::ostream* os) {
    *os << c.name;
}

// After a mosaic within the drawing area and one taller than it.
class Unopenable : public ::testing::TestWithParam<std::tuple<UnopenableCase, int>> {};

// Reported, nothing created, and nothing changed: the canvas, the window, the loaded tileset.
// Save As after it writes the very file it wrote before.
TEST_P(Unopenable, ChangesNothingThatSaveAsWrites) {
    const auto& [c, tiles] = GetParam();
    if (std::string_view(c.name) == "no_permission" && ::geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    TempDir dir;
    WriteFile(dir / "a.tst", TilesetBytes(static_cast<std::int16_t>(tiles), tiles));
    std::filesystem::create_directory(dir / "folder.tst");
    ASSERT_EQ(::mkfifo((dir / "fifo.tst").c_str(), 0644), 0);
    WriteFile(dir / "locked.tst", TilesetBytes(1, 1));
    std::filesystem::permissions(dir / "locked.tst", std::filesystem::perms::none);
    Strings entries{"a.tst", "after.bmp", "before.bmp", "fifo.tst", "folder.tst", "locked.tst"};
    if (c.contents != nullptr) {
        WriteFile(dir / c.path, std::string_view(c.contents, c.size));
        entries.push_back(c.path);
        std::sort(entries.begin(), entries.end());
    }
    const std::string path = c.path[0] == '\0' ? "" : dir / c.path;
    ScriptedDialog dialog({dir / "a.tst", dir / "before.bmp", path, dir / "after.bmp"});
    MainForm form(dialog);
    MessageBoxRecorder messages;
    form.mnuOpen_Click();
    form.mnuSaveAs_Click();
    const float width = form.Width();
    const float height = form.Height();
    messages.prompts.clear();
    form.OnBusy([&](bool busy) {
        if (busy && c.cutWhileRead) {
            std::filesystem::resize_file(dir / c.path, 6 + 3072);
        }
    });

    {
        std::optional<ScopedBitmapLimit> limit;
        if (c.bitmapLimit != 0) {
            limit.emplace(c.bitmapLimit);
        }
        EXPECT_EQ(RunReportingErrors([&] { form.mnuOpen_Click(); }), c.message[0] == '\0');
    }

    EXPECT_EQ(messages.prompts, c.message[0] == '\0' ? Strings{} : Strings{c.message});
    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(form.TilesetHeader.TileCount, tiles);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    form.mnuSaveAs_Click();
    EXPECT_EQ(ReadFile(dir / "after.bmp"), ReadFile(dir / "before.bmp"));
    EXPECT_EQ(FolderEntries(dir.path()), entries);
}

constexpr char kDamaged[] = "Run-time error '321':\n\nInvalid file format";
// A header that counts 2 tiles, then the first tile and half the second.
const std::string kCutInATile = TilesetBytes(2, 2).substr(0, 6 + 3072 + 1536);
const std::string kHeaderOnly = TilesetBytes(100, 0);
// 800 tiles: a mosaic of 608 x 1344 pixels, some 2.4 MB.
const std::string kLarge = TilesetBytes(800, 800);
constexpr char kText[] = "# Notes\n\nNot a tileset, whatever its name says.\n";
constexpr char kRandom[] = "\x5e\xa1\x3c\x41\x07\x44\xd2\x8b\x19\xf0\x62\x2d";

INSTANTIATE_TEST_SUITE_P(
    Files, Unopenable,
    ::testing::Combine(
        ::testing::Values(
            UnopenableCase{"cancel", "", ""},
            UnopenableCase{"missing_file", "absent.tst", "Run-time error '53':\n\nFile not found"},
            UnopenableCase{"missing_folder", "absent/a.tst",
                           "Run-time error '76':\n\nPath not found"},
            UnopenableCase{"a_folder", "folder.tst",
                           "Run-time error '75':\n\nPath/File access error"},
            UnopenableCase{"a_fifo", "fifo.tst", "Run-time error '75':\n\nPath/File access error"},
            UnopenableCase{"no_permission", "locked.tst",
                           "Run-time error '75':\n\nPath/File access error"},
            // Damaged: refused where the header is read, or where the tiles would be.
            UnopenableCase{"empty", "empty.tst", kDamaged, "", 0},
            UnopenableCase{"inside_the_header", "short.tst", kDamaged, "\x00\x00\x02", 3},
            UnopenableCase{"header_only", "short.tst", kDamaged, kHeaderOnly.data(),
                           kHeaderOnly.size()},
            UnopenableCase{"inside_a_tile", "short.tst", kDamaged, kCutInATile.data(),
                           kCutInATile.size()},
            UnopenableCase{"random_bytes", "random.tst", kDamaged, kRandom, sizeof kRandom - 1},
            UnopenableCase{"a_text_file", "notes.tst", kDamaged, kText, sizeof kText - 1},
            // Refused where the canvas takes the new mosaic's size.
            UnopenableCase{"out_of_memory", "large.tst", "Run-time error '7':\n\nOut of memory",
                           kLarge.data(), kLarge.size(), 2'000'000},
            // Refused while the tiles are painted.
            UnopenableCase{"cut_while_read", "large.tst", kDamaged, kLarge.data(), kLarge.size(), 0,
                           true}),
        ::testing::Values(20, 600)),  // 2 and 32 mosaic rows
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) > 228 ? "_after_a_tall_mosaic" : "_after_a_small_one");
    });

TEST(OpenCommand, AMissingFileAtStartLeavesNoTilesetLoaded) {
    TempDir dir;
    ScriptedDialog dialog({dir / "absent.tst"});
    MainForm form(dialog);
    MessageBoxRecorder messages;

    EXPECT_FALSE(RunReportingErrors([&] { form.mnuOpen_Click(); }));

    EXPECT_EQ(messages.prompts.size(), 1u);
    EXPECT_FALSE(form.bTilesetLoaded);
    EXPECT_FALSE(std::filesystem::exists(dir / "absent.tst"));
}

TEST(OpenCommand, TheHeadersFreeWordsChangeNothing) {
    TempDir dir;
    WriteFile(dir / "plain.tst", TilesetBytes(25, 25));
    WriteFile(dir / "words.tst", TilesetBytes(25, 25, Signature, 0xFFFF, 0x8001));
    ScriptedDialog plainDialog({dir / "plain.tst"});
    ScriptedDialog wordsDialog({dir / "words.tst"});
    MainForm plain(plainDialog);
    MainForm words(wordsDialog);

    plain.mnuOpen_Click();
    words.mnuOpen_Click();

    EXPECT_EQ(words.Width(), plain.Width());
    EXPECT_EQ(words.Height(), plain.Height());
    EXPECT_EQ(std::pair(words.Picture1.PixelWidth(), words.Picture1.PixelHeight()),
              std::pair(608, 64));
    EXPECT_TRUE(PicturesNear(ViewOf(words.Picture1), ViewOf(plain.Picture1)));
}

}  // namespace
