// File > Open beyond the layout: cancel, a second tileset, short files, files that cannot be
// opened, the header's free words.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gdi.h"
#include "tests/support/recorders.h"
#include "tests/support/temp_dir.h"
#include "tests/viewer/tileset_files.h"
#include "viewer/error_report.h"
#include "viewer/main_form.h"

namespace {

using orvane::testing::MessageBoxRecorder;
using orvane::testing::Rgb;
using orvane::testing::Signature;
using orvane::testing::SignatureColour;
using orvane::testing::TempDir;
using orvane::testing::TilesetBytes;
using orvane::testing::WriteFile;
using orvane::viewer::DialogKind;
using orvane::viewer::MainForm;
using orvane::viewer::RunReportingErrors;
using orvane::viewer::ScriptedDialog;

constexpr COLORREF kBackground = RGB(240, 240, 240);
constexpr Rgb kKey{0, 1, 2};

COLORREF PixelAt(const MainForm& form, int x, int y) {
    return GetPixel(form.Picture1.hDC(), x, y);
}

// Every pixel of the canvas against what it should hold; reports the first that differs.
void ExpectCanvas(const MainForm& form, int width, int height,
                  const std::function<COLORREF(int x, int y)>& expected) {
    ASSERT_EQ(form.Picture1.PixelWidth(), width);
    ASSERT_EQ(form.Picture1.PixelHeight(), height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF want = expected(x, y);
            ASSERT_EQ(PixelAt(form, x, y), want) << "at (" << x << ", " << y << ")";
        }
    }
}

TEST(OpenCommand, CancelAtStartLeavesTheCanvasAtTheDrawingAreaAndNothingElseChanged) {
    ScriptedDialog dialog({""});
    MainForm form(dialog);
    const float width = form.Width();
    const float height = form.Height();

    form.mnuOpen_Click();

    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, DialogKind::Open);
    EXPECT_EQ(dialog.shown[0].filter, "Tileset Files (*.tst)|*.tst");
    EXPECT_FALSE(dialog.shown[0].cancelError);
    EXPECT_EQ(form.Picture1.Width(), 9135);
    EXPECT_EQ(form.Picture1.Height(), 6015);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    EXPECT_FALSE(form.bTilesetLoaded);
    ExpectCanvas(form, 609, 401, [](int, int) { return kBackground; });
}

TEST(OpenCommand, CancelAfterAnOpenKeepsTheMosaicWithinTheDrawingArea) {
    TempDir dir;
    WriteFile(dir / "a.tst", TilesetBytes(20, 20));
    ScriptedDialog dialog({dir / "a.tst", ""});
    MainForm form(dialog);
    form.mnuOpen_Click();
    const float width = form.Width();
    const float height = form.Height();

    form.mnuOpen_Click();

    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    ExpectCanvas(form, 609, 401, [](int x, int y) {
        const int tile = x / 32 + 19 * (y / 32);
        const bool painted = x < 608 && y < 64 && tile < 20;
        return painted ? SignatureColour(tile, x % 32 + 1, y % 32 + 1) : kBackground;
    });
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
    ExpectCanvas(form, 96, 32, [](int x, int y) {
        return x % 32 == 0 && y == 0 ? SignatureColour(x / 32 + 100, 1, 1) : kBackground;
    });
}

struct ShortFileCase {
    const char* name;
    std::string bytes;
    int width;
    int height;
    std::function<COLORREF(int x, int y)> expected;
};
void PrintTo(const ShortFileCase& c, std::ostream* os) {
    *os << c.name;
}

class ShortFile : public ::testing::TestWithParam<ShortFileCase> {};

// Whatever the file lacks reads as 0: black pixels, or a tile count of 0.
TEST_P(ShortFile, MissingBytesReadAsZero) {
    const ShortFileCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "short.tst", c.bytes);
    ScriptedDialog dialog({dir / "short.tst"});
    MainForm form(dialog);
    MessageBoxRecorder messages;

    EXPECT_TRUE(RunReportingErrors([&] { form.mnuOpen_Click(); }));

    EXPECT_TRUE(messages.prompts.empty());
    EXPECT_TRUE(form.bTilesetLoaded);
    if (c.width == 0) {
        EXPECT_EQ(form.Picture1.PixelWidth(), 0);
        EXPECT_EQ(form.Picture1.PixelHeight(), c.height);
        return;
    }
    ExpectCanvas(form, c.width, c.height, c.expected);
}

const COLORREF kBlack = RGB(0, 0, 0);

INSTANTIATE_TEST_SUITE_P(
    Truncated, ShortFile,
    ::testing::Values(
        ShortFileCase{"empty", "", 0, 32, {}},
        // The tile count's high byte is missing: 2 tiles, both all zero.
        ShortFileCase{"inside_the_header", std::string("\x00\x00\x02", 3), 64, 32,
                      [](int, int) { return kBlack; }},
        ShortFileCase{"header_only", TilesetBytes(2, 0), 64, 32, [](int, int) { return kBlack; }},
        // Tile 2 ends after its 16th column.
        ShortFileCase{"inside_a_tile", TilesetBytes(2, 2).substr(0, 6 + 3072 + 1536), 64, 32,
                      [](int x, int y) {
                          return x < 48 ? SignatureColour(x / 32, x % 32 + 1, y + 1) : kBlack;
                      }}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnopenableCase {
    const char* name;
    const char* path;  // inside the test's folder
    const char* message;
};
void PrintTo(const UnopenableCase& c, std::ostream* os) {
    *os << c.name;
}

class Unopenable : public ::testing::TestWithParam<UnopenableCase> {};

// Reported, nothing created, and the window as step one left it: no canvas cleared, no window
// resized, the earlier tileset still counted as loaded.
TEST_P(Unopenable, IsReportedAndChangesNothingButTheDrawingAreaSize) {
    const UnopenableCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "a.tst", TilesetBytes(20, 20));
    std::filesystem::create_directory(dir / "folder.tst");
    ScriptedDialog dialog({dir / "a.tst", dir / c.path});
    MainForm form(dialog);
    form.mnuOpen_Click();
    const float width = form.Width();
    const float height = form.Height();
    MessageBoxRecorder messages;

    EXPECT_FALSE(RunReportingErrors([&] { form.mnuOpen_Click(); }));

    EXPECT_EQ(messages.prompts, std::vector<std::string>{c.message});
    EXPECT_EQ(messages.titles, std::vector<std::string>{"Orvane"});
    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(form.TilesetHeader.TileCount, 20);
    EXPECT_EQ(form.Width(), width);
    EXPECT_EQ(form.Height(), height);
    EXPECT_EQ(form.Picture1.PixelWidth(), 609);
    EXPECT_EQ(form.Picture1.PixelHeight(), 401);
    EXPECT_EQ(PixelAt(form, 0, 0), SignatureColour(0, 1, 1));
    EXPECT_EQ(PixelAt(form, 31, 63), SignatureColour(19, 32, 32));
    EXPECT_EQ(std::filesystem::exists(dir / c.path), std::string(c.name) == "a_folder");
}

INSTANTIATE_TEST_SUITE_P(
    Files, Unopenable,
    ::testing::Values(
        UnopenableCase{"missing_file", "absent.tst", "Run-time error '53':\n\nFile not found"},
        UnopenableCase{"missing_folder", "absent/a.tst", "Run-time error '76':\n\nPath not found"},
        UnopenableCase{"a_folder", "folder.tst", "Run-time error '75':\n\nPath/File access error"}),
    [](const auto& info) { return std::string(info.param.name); });

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
    ExpectCanvas(words, 608, 64, [&](int x, int y) { return PixelAt(plain, x, y); });
}

}  // namespace
