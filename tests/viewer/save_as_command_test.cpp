// File > Save As end to end: a tileset opened through the command, a scripted save dialog, real
// files in a fresh folder, and every file read back by a reader that shares no code with the
// writers (Qt for bitmaps, TurboJPEG's decompressor for JPEGs).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/kernel32.h"
#include "tests/support/file_conditions.h"
#include "tests/support/jpeg_reader.h"
#include "tests/support/picture_compare.h"
#include "tests/support/qimage_view.h"
#include "tests/support/recorders.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
#include "tileset/png.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/error_report.h"
#include "viewer/main_form.h"

namespace {

using namespace orvane::testing;
using orvane::viewer::DialogKind;
using orvane::viewer::ExportFormat;
using orvane::viewer::ExportFormatOf;
using orvane::viewer::MainForm;
using orvane::viewer::RunReportingErrors;
using orvane::viewer::ScriptedDialog;
using Strings = std::vector<std::string>;

constexpr char kFilter[] = "Jpegs|*.jpg|Bmps|*.bmp|Gifs|*.gif";

// Every 8 x 8 block of every tile one flat colour, the tile number telling neighbouring tiles
// apart (x and y count from 1 in a tile). The blocks line up with the JPEG's own 8 x 8 blocks, so
// at quality 90 only rounding parts a decoded pixel from its original, and a tight tolerance
// still catches a shifted, flipped or swapped block.
Rgb FlatBlocks(int tile, int x, int y) {
    const COLORREF c = Blocks(x - 1, y - 1, tile);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// A form whose dialog answers from a script, in a folder of its own, its messages recorded.
class SaveAs : public ::testing::Test {
  protected:
    void Open(const std::string& tilesetBytes, const std::string& name = "a.tst") {
        WriteFile(dir / name, tilesetBytes);
        dialog.Script(dir / name);
        ASSERT_TRUE(RunReportingErrors([&] { form.mnuOpen_Click(); }));
        ASSERT_TRUE(form.bTilesetLoaded);
    }
    // Save As (or another command of the save dialog) answered with name ("" cancels); false
    // when the command ended with an error.
    bool Save(const std::string& name, void (MainForm::*command)() = &MainForm::mnuSaveAs_Click) {
        dialog.Script(name.empty() ? name : dir / name);
        return RunReportingErrors([&] { (form.*command)(); });
    }

    TempDir dir;
    ScriptedDialog dialog;
    MainForm form{dialog};
    MessageBoxRecorder messages;
};

TEST(ExportFormatOf, GoesByTheLastThreeCharactersExactly) {
    EXPECT_EQ(ExportFormatOf("x.bmp"), ExportFormat::Bitmap);
    EXPECT_EQ(ExportFormatOf("bmp"), ExportFormat::Bitmap);
    EXPECT_EQ(ExportFormatOf("jpg"), ExportFormat::Jpeg);
    EXPECT_EQ(ExportFormatOf("x.png"), ExportFormat::Png);
    EXPECT_EQ(ExportFormatOf("Bmp"), std::nullopt);
    // Shorter names are compared whole.
    EXPECT_EQ(ExportFormatOf("pg"), std::nullopt);
    EXPECT_EQ(ExportFormatOf("g"), std::nullopt);
    EXPECT_EQ(ExportFormatOf(""), std::nullopt);
}

TEST_F(SaveAs, BeforeAnyOpenSaysSoAndShowsNoDialog) {
    form.mnuSaveAs_Click();
    form.mnuExportPng_Click();

    EXPECT_EQ(messages.prompts, (Strings{"No tileset loaded!", "No tileset loaded!"}));
    EXPECT_EQ(messages.titles, (Strings{"Orvane", "Orvane"}));
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

struct DispatchCase {
    const char* name;
    std::string fileName;
    Strings prompts;
    Strings files;      // the folder afterwards, the tileset included
    std::string magic;  // the first bytes of the file written, if any
    void (MainForm::*command)() = &MainForm::mnuSaveAs_Click;
    const char* filter = kFilter;
};
void PrintTo(const DispatchCase& c, std::ostream* os) {
    *os << c.name;
}

class Dispatch : public SaveAs, public ::testing::WithParamInterface<DispatchCase> {};

constexpr auto kExportPng = &MainForm::mnuExportPng_Click;

TEST_P(Dispatch, WritesAndConfirmsOnlyWhatTheLastThreeCharactersName) {
    const DispatchCase& c = GetParam();
    Open(TilesetBytes(20, 20));

    EXPECT_TRUE(Save(c.fileName, c.command));

    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].kind, DialogKind::Save);
    EXPECT_EQ(dialog.shown[1].filter, c.filter);
    EXPECT_FALSE(dialog.shown[1].cancelError);
    EXPECT_EQ(dialog.shown[1].title, c.command == kExportPng ? "Export PNG" : "");
    EXPECT_EQ(messages.prompts, c.prompts);
    EXPECT_EQ(FolderEntries(dir.path()), c.files);
    if (!c.magic.empty()) {
        EXPECT_EQ(ReadFile(dir / c.fileName).substr(0, c.magic.size()), c.magic);
    }
    form.mnuOpen_Click();  // cancelled
    EXPECT_EQ(dialog.shown.back().title, "") << "Open's own";
}

const std::string kBmp = "BM";
const std::string kNothing(orvane::viewer::kNothingSaved);
const std::string kNothingExported(orvane::viewer::kNothingExported);
const std::string kPngNotSaved(orvane::viewer::kPngNotSaved);
const std::string kJpeg = "\xFF\xD8\xFF";
const std::string kPng = "\x89PNG";
constexpr char kPngFilter[] = "Pngs|*.png";

INSTANTIATE_TEST_SUITE_P(
    Names, Dispatch,
    ::testing::Values(
        DispatchCase{"bmp", "x.bmp", {"Save complete!"}, {"a.tst", "x.bmp"}, kBmp},
        DispatchCase{"BMP", "x.BMP", {kNothing}, {"a.tst"}, ""},
        DispatchCase{"jpg", "x.jpg", {"File saved!"}, {"a.tst", "x.jpg"}, kJpeg},
        DispatchCase{"JPG", "x.JPG", {kNothing}, {"a.tst"}, ""},
        DispatchCase{"jpeg", "x.jpeg", {kNothing}, {"a.tst"}, ""},
        DispatchCase{"gif", "x.gif", {kNothing}, {"a.tst"}, ""},
        DispatchCase{"no_extension", "x", {kNothing}, {"a.tst"}, ""},
        DispatchCase{"myjpg_without_dot", "myjpg", {"File saved!"}, {"a.tst", "myjpg"}, kJpeg},
        DispatchCase{
            "myjpg_dot_bmp", "myjpg.bmp", {"Save complete!"}, {"a.tst", "myjpg.bmp"}, kBmp},
        DispatchCase{"cancelled", "", {}, {"a.tst"}, ""},
        // Save As keeps to bitmaps and JPEGs; Export PNG writes PNGs only.
        DispatchCase{"png", "x.png", {kPngNotSaved}, {"a.tst"}, ""},
        DispatchCase{"export_png",
                     "x.png",
                     {"PNG saved!"},
                     {"a.tst", "x.png"},
                     kPng,
                     kExportPng,
                     kPngFilter},
        DispatchCase{
            "export_PNG", "x.PNG", {kNothingExported}, {"a.tst"}, "", kExportPng, kPngFilter},
        DispatchCase{
            "export_bmp", "x.bmp", {kNothingExported}, {"a.tst"}, "", kExportPng, kPngFilter},
        DispatchCase{"export_cancelled", "", {}, {"a.tst"}, "", kExportPng, kPngFilter}),
    RowName());

// On the canvas a see-through pixel and a tile's own pixel of the background colour look alike;
// Export PNG tells them apart by the mask the window keeps, and writes what the window shows even
// once the file has gone.
TEST_F(SaveAs, ExportPngTakesTransparencyFromTheMaskNotTheCanvas) {
    Open(TilesetBytes(2, 2, [](int tile, int x, int) {
        return x == 1 ? Rgb{0, 1, 2} : x == 2 ? Rgb{240, 240, 240} : Rgb{BYTE(tile), 9, 9};
    }));
    ASSERT_EQ(GetPixel(form.Picture1.hDC(), 0, 0), GetPixel(form.Picture1.hDC(), 1, 0));
    std::filesystem::remove(dir / "a.tst");

    ASSERT_TRUE(Save("x.png", kExportPng));

    QImage png;
    ASSERT_TRUE(png.load(QString::fromStdString(dir / "x.png"), "PNG"));
    png = png.convertToFormat(QImage::Format_RGBA8888);
    ASSERT_EQ(png.size(), QSize(64, 32));
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(png.pixelColor(0, y).alpha(), 0);
        EXPECT_EQ(png.pixelColor(1, y), QColor(240, 240, 240));
        EXPECT_EQ(png.pixelColor(33, y), QColor(240, 240, 240));
        EXPECT_EQ(png.pixelColor(34, y), QColor(1, 9, 9));
    }
}

struct ShownCase {
    const char* name;
    int tiles;
};

class ExportShown : public SaveAs, public ::testing::WithParamInterface<ShownCase> {};

// The window's picture and the file's make the same PNG, byte for byte, header's free words and
// all, though the file has changed since the window showed it.
TEST_P(ExportShown, IsTheFilesPngByteForByte) {
    const std::string shown = TilesetBytes(static_cast<std::int16_t>(GetParam().tiles),
                                           GetParam().tiles, SeeThroughSignature, 0xBEEF, 7);
    WriteFile(dir / "shown.tst", shown);
    Open(shown);
    WriteFile(dir / "a.tst", TilesetBytes(3, 3));

    ASSERT_TRUE(Save("window.png", kExportPng));

    orvane::tileset::TilesetFile file(dir / "shown.tst");
    orvane::tileset::SaveTilesetAsPng(file, dir / "file.png");
    EXPECT_TRUE(ReadFile(dir / "window.png") == ReadFile(dir / "file.png"));
}

INSTANTIATE_TEST_SUITE_P(Tilesets, ExportShown,
                         ::testing::Values(ShownCase{"one_tile", 1}, ShownCase{"one_row", 19},
                                           ShownCase{"second_row_begun", 20},
                                           ShownCase{"many_bands", 300}),
                         RowName());

TEST_F(SaveAs, BitmapHoldsTheCanvasPixelForPixel) {
    // Signature colours differ from pixel to pixel and tile to tile; the second row is short, so
    // the background shows too.
    Open(TilesetBytes(20, 20));

    ASSERT_TRUE(Save("x.bmp"));

    QImage read;
    ASSERT_TRUE(read.load(QString::fromStdString(dir / "x.bmp"), "BMP"));
    EXPECT_TRUE(PicturesNear(ViewOf(read), ViewOf(form.Picture1)));
}

TEST_F(SaveAs, JpegShowsTheCanvasUprightWithinRounding) {
    // Three rows of tiles, the last one short: the top and the bottom of the canvas differ.
    Open(TilesetBytes(45, 45, FlatBlocks));

    ASSERT_TRUE(Save("x.jpg"));

    const std::string bytes = ReadFile(dir / "x.jpg");
    EXPECT_TRUE(IsBaselineJpeg(bytes));
    EXPECT_TRUE(PicturesNear(ViewOf(DecodeJpeg(bytes)), ViewOf(form.Picture1), 3));
}

TEST_F(SaveAs, SavingTwiceToOneNameReplacesTheJpegAndKeepsTheFirstOnesTimes) {
    Open(TilesetBytes(20, 20, FlatBlocks));
    ASSERT_TRUE(Save("x.jpg"));
    // Times well in the past, so that a replacement that kept its own would show.
    SetTimes(dir / "x.jpg", {1'000'000'000, 0}, {1'100'000'000, 0});
    const WIN32_FIND_DATAA first = FindData(dir / "x.jpg");
    // A different picture the second time, so the replacement is seen to have happened.
    Open(TilesetBytes(3, 3, [](int tile, int x, int y) { return FlatBlocks(tile + 7, x, y); }),
         "b.tst");

    ASSERT_TRUE(Save("x.jpg"));

    // The times are read before the file is decoded: reading it may move its access time.
    const WIN32_FIND_DATAA second = FindData(dir / "x.jpg");
    EXPECT_EQ(Ticks(second.ftLastWriteTime), Ticks(first.ftLastWriteTime));
    EXPECT_EQ(Ticks(second.ftLastAccessTime), Ticks(first.ftLastAccessTime));
    EXPECT_EQ(messages.prompts, (Strings{"File saved!", "File saved!"}));
    EXPECT_EQ(FolderEntries(dir.path()), (Strings{"a.tst", "b.tst", "x.jpg"}));
    EXPECT_TRUE(
        PicturesNear(ViewOf(DecodeJpeg(ReadFile(dir / "x.jpg"))), ViewOf(form.Picture1), 3));
}

TEST_F(SaveAs, CancelAfterSavingLeavesTheSavedFilesAsTheyWere) {
    Open(TilesetBytes(20, 20, FlatBlocks));
    ASSERT_TRUE(Save("x.bmp"));
    ASSERT_TRUE(Save("x.jpg"));
    const std::string bmp = ReadFile(dir / "x.bmp");
    const std::string jpg = ReadFile(dir / "x.jpg");
    const auto bmpTime = Ticks(FindData(dir / "x.bmp").ftLastWriteTime);
    const auto jpgTime = Ticks(FindData(dir / "x.jpg").ftLastWriteTime);
    // Something different on the canvas: a re-save of the last name would change the files.
    Open(TilesetBytes(3, 3), "b.tst");

    ASSERT_TRUE(Save(""));

    EXPECT_EQ(messages.prompts, (Strings{"Save complete!", "File saved!"}));
    EXPECT_EQ(dialog.FileName(), "");
    EXPECT_EQ(FolderEntries(dir.path()), (Strings{"a.tst", "b.tst", "x.bmp", "x.jpg"}));
    EXPECT_EQ(ReadFile(dir / "x.bmp"), bmp);
    EXPECT_EQ(ReadFile(dir / "x.jpg"), jpg);
    EXPECT_EQ(Ticks(FindData(dir / "x.bmp").ftLastWriteTime), bmpTime);
    EXPECT_EQ(Ticks(FindData(dir / "x.jpg").ftLastWriteTime), jpgTime);
}

// Runs the command as the window does: an error is reported, and the program, its canvas and
// the folder go on as they were.
struct FailureCase {
    const char* name;
    std::string fileName;
    std::string reportStart;  // the message box shows the number and the description
    void (MainForm::*command)() = &MainForm::mnuSaveAs_Click;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class CanvasWithoutPixels : public SaveAs, public ::testing::WithParamInterface<FailureCase> {};

// A tileset with no tiles loads, and leaves a canvas 0 pixels wide: there is no picture to save.
TEST_P(CanvasWithoutPixels, IsReportedAndWritesNothing) {
    const FailureCase& c = GetParam();
    Open(TilesetBytes(0, 0));
    ASSERT_EQ(form.Picture1.PixelWidth(), 0);

    EXPECT_FALSE(Save(c.fileName, c.command));

    ASSERT_EQ(messages.prompts.size(), 1u);
    EXPECT_EQ(messages.prompts[0].rfind(c.reportStart, 0), 0u) << messages.prompts[0];
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"a.tst"});
    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(form.Picture1.PixelWidth(), 0);
    EXPECT_EQ(form.Picture1.PixelHeight(), 32);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CanvasWithoutPixels,
    ::testing::Values(
        FailureCase{"bmp", "x.bmp", "Run-time error '481':\n\nInvalid picture"},
        FailureCase{"jpg", "x.jpg", "Run-time error '26001':\n\nFailed to save to JPG "},
        FailureCase{"export_png", "x.png", "Run-time error '481':\n\nInvalid picture", kExportPng}),
    RowName());

struct WriteFailureCase {
    const char* name;
    std::string fileName;
    bool readOnly;  // else no file may grow past 512 bytes
    std::string report;
    void (MainForm::*command)() = &MainForm::mnuSaveAs_Click;
};
void PrintTo(const WriteFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteFailure : public SaveAs, public ::testing::WithParamInterface<WriteFailureCase> {};

TEST_P(WriteFailure, IsReportedAndTheEarlierFileAndTheCanvasSurvive) {
    const WriteFailureCase& c = GetParam();
    Open(TilesetBytes(20, 20, FlatBlocks));
    ASSERT_TRUE(Save(c.fileName, c.command));
    const std::string earlier = ReadFile(dir / c.fileName);
    Open(TilesetBytes(38, 38), "b.tst");
    const std::vector<COLORREF> canvas = Pixels(ViewOf(form.Picture1));
    messages.prompts.clear();

    if (c.readOnly) {
        ASSERT_EQ(::chmod((dir / c.fileName).c_str(), 0444), 0);
        EXPECT_FALSE(Save(c.fileName, c.command));
    } else {
        const ScopedFileSizeLimit limit(512);
        EXPECT_FALSE(Save(c.fileName, c.command));
    }

    ASSERT_EQ(messages.prompts.size(), 1u);
    EXPECT_EQ(messages.prompts[0].substr(0, c.report.size()), c.report);
    EXPECT_EQ(ReadFile(dir / c.fileName), earlier);
    EXPECT_EQ(FolderEntries(dir.path()), (Strings{"a.tst", "b.tst", c.fileName}));
    EXPECT_TRUE(form.bTilesetLoaded);
    EXPECT_EQ(Pixels(ViewOf(form.Picture1)), canvas);

    // The program goes on: the next save, to a name that can be written, succeeds.
    messages.prompts.clear();
    EXPECT_TRUE(Save("later" + c.fileName, c.command));
    EXPECT_EQ(messages.prompts.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, WriteFailure,
    ::testing::Values(WriteFailureCase{"bmp_too_large", "x.bmp", false,
                                       "Run-time error '57':\n\nDevice I/O error"},
                      WriteFailureCase{"jpg_too_large", "x.jpg", false,
                                       "Run-time error '26001':\n\nFailed to save to JPG "},
                      WriteFailureCase{"bmp_read_only", "x.bmp", true,
                                       "Run-time error '75':\n\nPath/File access error"},
                      WriteFailureCase{"jpg_read_only", "x.jpg", true,
                                       "Run-time error '75':\n\nPath/File access error"},
                      WriteFailureCase{"png_too_large", "x.png", false,
                                       "Run-time error '57':\n\nDevice I/O error", kExportPng},
                      WriteFailureCase{"png_read_only", "x.png", true,
                                       "Run-time error '75':\n\nPath/File access error",
                                       kExportPng}),
    RowName());

}  // namespace
