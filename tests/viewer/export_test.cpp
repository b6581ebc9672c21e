// orvane-export run as its own process on the demo tileset, for each exit status; what it writes
// is read back by Qt and TurboJPEG and held against the canvas that File > Open paints here.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <QString>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "tests/support/file_conditions.h"
#include "tests/support/jpeg_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "viewer/main_form.h"

namespace {

using orvane::testing::DecodeJpeg;
using orvane::testing::FolderEntries;
using orvane::testing::Outcome;
using orvane::testing::ReadFile;
using orvane::testing::RunProgram;
using orvane::testing::TempDir;
using orvane::testing::WriteFile;
using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;
using Strings = std::vector<std::string>;

const std::string kExport = ORVANE_EXPORT_PATH;
const std::string kDemo = ORVANE_DEMO_TILESET;

// Runs orvane-export with args, its output captured in files of the folder.
Outcome RunExport(const TempDir& dir, const Strings& args) {
    return RunProgram(dir, kExport, args);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The demo tileset as the window paints it.
class DemoCanvas {
  public:
    DemoCanvas() : dialog_({kDemo}), form_(dialog_) { form_.mnuOpen_Click(); }
    int Width() const { return form_.Picture1.PixelWidth(); }
    int Height() const { return form_.Picture1.PixelHeight(); }
    COLORREF At(int x, int y) const { return GetPixel(form_.Picture1.hDC(), x, y); }

  private:
    ScriptedDialog dialog_;
    MainForm form_;
};

TEST(OrvaneExport, WritesTheMosaicAsABitmap) {
    TempDir dir;

    const Outcome run = RunExport(dir, {kDemo, dir / "out.bmp"});

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Save complete!\n");
    EXPECT_EQ(run.err, "");
    QImage read;
    ASSERT_TRUE(read.load(QString::fromStdString(dir / "out.bmp"), "BMP"));
    const DemoCanvas canvas;
    ASSERT_EQ(read.size(), QSize(canvas.Width(), canvas.Height()));
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const COLORREF want = canvas.At(x, y);
            ASSERT_EQ(read.pixel(x, y), qRgb(GetRValue(want), GetGValue(want), GetBValue(want)))
                << "at (" << x << ", " << y << ")";
        }
    }
}

TEST(OrvaneExport, WritesTheMosaicAsAJpeg) {
    TempDir dir;

    const Outcome run = RunExport(dir, {kDemo, dir / "out.jpg"});

    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "File saved!\n");
    EXPECT_EQ(run.err, "");
    const auto jpeg = DecodeJpeg(ReadFile(dir / "out.jpg"));
    const DemoCanvas canvas;
    ASSERT_EQ(jpeg.width, canvas.Width());
    ASSERT_EQ(jpeg.height, canvas.Height());
    // The demo's tiles have hard edges, where a JPEG rings: the mean error, not the worst, is
    // what shows a picture that is shifted, flipped or not the mosaic at all.
    double error = 0;
    for (int y = 0; y < jpeg.height; ++y) {
        for (int x = 0; x < jpeg.width; ++x) {
            const COLORREF want = canvas.At(x, y);
            const BYTE* got = jpeg.At(x, y);
            error += std::abs(got[0] - GetRValue(want)) + std::abs(got[1] - GetGValue(want)) +
                     std::abs(got[2] - GetBValue(want));
        }
    }
    EXPECT_LT(error / (3.0 * jpeg.width * jpeg.height), 3.0);
}

struct FailureCase {
    const char* name;
    Strings args;  // "@/" stands for the test's folder
    int status;
    std::string errorPart;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class Refused : public ::testing::TestWithParam<FailureCase> {};

// Nothing is written on any of these ways out, and standard output stays empty.
TEST_P(Refused, ExitsWithItsStatusAndSaysWhy) {
    const FailureCase& c = GetParam();
    TempDir dir;
    Strings args;
    for (const std::string& arg : c.args) {
        args.push_back(arg.rfind("@/", 0) == 0 ? dir / arg.substr(2) : arg);
    }

    const Outcome run = RunExport(dir, args);

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, c.errorPart)) << run.err;
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, Refused,
    ::testing::Values(
        FailureCase{
            "missing_tileset", {"@/absent.tst", "@/out.jpg"}, 1, "error 53: File not found"},
        FailureCase{
            "output_folder_missing", {kDemo, "@/absent/out.bmp"}, 1, "error 76: Path not found"},
        FailureCase{"jpeg_in_missing_folder",
                    {kDemo, "@/absent/out.jpg"},
                    1,
                    "error 26001: Failed to save to JPG "},
        FailureCase{"gif", {kDemo, "@/x.gif"}, 2, "x.gif' would write nothing"},
        FailureCase{"upper_case_jpg", {kDemo, "@/x.JPG"}, 2, "would write nothing"},
        FailureCase{"no_arguments", {}, 2, "Usage: orvane-export TILESET OUTPUT"},
        FailureCase{"one_argument", {kDemo}, 2, "Usage: orvane-export TILESET OUTPUT"},
        FailureCase{"three_arguments", {kDemo, "@/a.bmp", "@/b.bmp"}, 2, "Usage:"},
        FailureCase{"empty_tileset_name", {"", "@/out.bmp"}, 2, "TILESET"}),
    [](const auto& info) { return std::string(info.param.name); });

// Root may write into a folder without write permission, so the unwritable output is a
// read-only file, which the writers refuse for everyone.
TEST(OrvaneExport, AnUnwritableOutputExitsWithOneAndLeavesItAsItWas) {
    TempDir dir;
    WriteFile(dir / "old.jpg", "old");
    ASSERT_EQ(::chmod((dir / "old.jpg").c_str(), 0444), 0);

    const Outcome run = RunExport(dir, {kDemo, dir / "old.jpg"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, "error 75: Path/File access error")) << run.err;
    EXPECT_EQ(ReadFile(dir / "old.jpg"), "old");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"old.jpg"});
}

TEST(OrvaneExport, HelpTellsTheFormatsTheDispatchAndTheStatuses) {
    TempDir dir;
    for (const char* option : {"--help", "-h"}) {
        const Outcome run = RunExport(dir, {option});

        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.err, "") << option;
        for (const char* part :
             {"Usage: orvane-export TILESET OUTPUT", "bmp", "jpg", "case-sensitive", "quality 90",
              "myjpg", "Exit status", "0  ", "1  ", "2  "}) {
            EXPECT_TRUE(Contains(run.out, part)) << option << " lacks " << part;
        }
    }
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

}  // namespace
