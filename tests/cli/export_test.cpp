// orvane-export run as its own process on the demo tileset, for each exit status; what it writes
// is read back by Qt and TurboJPEG and held against the canvas that File > Open paints here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/file_conditions.h"
#include "tests/support/process.h"
#include "tests/support/recorders.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tileset_files.h"
#include "viewer/common_dialog_testing.h"
#include "viewer/main_form.h"

namespace {

using namespace orvane::testing;
using orvane::viewer::MainForm;
using orvane::viewer::ScriptedDialog;
using Strings = std::vector<std::string>;

const std::string kExport = ORVANE_EXPORT_PATH;
const std::string kDemo = ORVANE_DEMO_TILESET;
const std::string kSamples = ORVANE_SAMPLES_DIR;

// Runs orvane-export with args, its output captured in files of the folder.
Outcome RunExport(const TempDir& dir, const Strings& args, RunAs runAs = RunAs::TestUser) {
    return RunProgram(dir, kExport, args, {}, runAs);
}

// Arguments as a row gives them, with "@/" standing for the test's folder.
Strings InFolder(const TempDir& dir, Strings args) {
    for (std::string& arg : args) {
        if (const auto at = arg.find("@/"); at != std::string::npos) {
            arg.replace(at, 2, dir.path().string() + "/");
        }
    }
    return args;
}

class AsTheWindow : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

// The window's Save As and Export PNG and orvane-export write through one function per format:
// a sample's picture is the same file, byte for byte, and says the same.
TEST_P(AsTheWindow, WritesTheSameFileAndSaysTheSame) {
    const auto [sample, ending] = GetParam();
    TempDir dir;
    const std::string tileset = kSamples + "/" + sample + ".tst";
    const std::string window = dir / ("window." + std::string(ending));
    const std::string command = dir / ("command." + std::string(ending));
    {
        ScriptedDialog dialog({tileset, window});
        MainForm form(dialog);
        const MessageBoxRecorder messages;
        form.mnuOpen_Click();
        (form.*(ending == std::string("png") ? &MainForm::mnuExportPng_Click
                                             : &MainForm::mnuSaveAs_Click))();
        ASSERT_EQ(messages.prompts.size(), 1u);

        const Outcome run = RunExport(dir, {tileset, command});

        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, messages.prompts[0] + "\n");
        EXPECT_EQ(run.err, "");
    }
    const std::string written = ReadFile(window);
    EXPECT_GT(written.size(), 100u);
    EXPECT_TRUE(ReadFile(command) == written);
}

INSTANTIATE_TEST_SUITE_P(Samples, AsTheWindow,
                         ::testing::Combine(::testing::Values("demo", "terrain", "walls", "island"),
                                            ::testing::Values("bmp", "jpg", "png")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param);
                         });

// Where the tiles of a tileset of SeeThroughSignature tiles lie in a PNG: `columns` to a row,
// each grid pixel (gx, gy) shown as scale x scale pixels. A key-colour pixel and a cell past the
// last tile are wholly transparent; every other pixel is opaque in the tile's own colour, also
// where that is the canvas's background colour.
void ExpectTiles(const QImage& png, int tiles, int columns, int scale) {
    const QImage read = png.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < read.height(); ++y) {
        for (int x = 0; x < read.width(); ++x) {
            const int gx = x / scale;
            const int gy = y / scale;
            const int tile = gy / 32 * columns + gx / 32;
            const auto want = orvane::testing::SeeThroughSignature(tile, gx % 32 + 1, gy % 32 + 1);
            const QColor got = read.pixelColor(x, y);
            if (tile >= tiles || (want.r == 0 && want.g == 1 && want.b == 2)) {
                ASSERT_EQ(got.alpha(), 0) << "at (" << x << ", " << y << ")";
            } else {
                ASSERT_EQ(got, QColor(want.r, want.g, want.b)) << "at (" << x << ", " << y << ")";
            }
        }
    }
}

struct PngCase {
    const char* name;
    int tiles;
    Strings options;  // before TILESET and OUTPUT
    int width, height;
    int columns;  // in the picture
    int scale;    // 0: shrunk, pixels not checked
};
void PrintTo(const PngCase& c, std::ostream* os) {
    *os << c.name;
}

class Png : public ::testing::TestWithParam<PngCase> {};

TEST_P(Png, HoldsTheTilesWithTheirTransparency) {
    const PngCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "a.tst",
              orvane::testing::TilesetBytes(static_cast<std::int16_t>(c.tiles), c.tiles,
                                            orvane::testing::SeeThroughSignature));
    Strings args = c.options;
    args.insert(args.end(), {dir / "a.tst", dir / "a.png"});

    const Outcome run = RunExport(dir, args);

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    QImage read;
    ASSERT_TRUE(read.load(QString::fromStdString(dir / "a.png"), "PNG"));
    EXPECT_EQ(read.size(), QSize(c.width, c.height));
    if (c.options.empty() || !c.options[0].starts_with("--thumbnail")) {
        EXPECT_EQ(run.out, "PNG saved!\n");
        EXPECT_EQ(read.text("Orvane tiles"), QString::number(c.tiles));
    }
    if (c.scale > 0) {
        ExpectTiles(read, c.tiles, c.columns, c.scale);
    }
    // The chunks as the format has them, the band table among them.
    if (std::filesystem::exists("/usr/bin/pngcheck")) {
        const Outcome check = RunProgram(dir, "/usr/bin/pngcheck", {"-q", dir / "a.png"});
        EXPECT_EQ(check.status, 0) << check.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Png,
    ::testing::Values(PngCase{"one_tile", 1, {}, 32, 32, 19, 1},
                      PngCase{"second_row_begun", 20, {}, 608, 64, 19, 1},
                      PngCase{"five_columns", 12, {"--columns", "5"}, 160, 96, 5, 1},
                      PngCase{"columns_beyond_the_tiles", 3, {"--columns=8"}, 96, 32, 8, 1},
                      // Thumbnails: the mosaic's first rows, at most as many as make a square.
                      PngCase{"thumbnail_one_tile", 1, {"--thumbnail", "128"}, 128, 128, 1, 4},
                      PngCase{"thumbnail_two_tiles", 2, {"--thumbnail", "256"}, 256, 128, 2, 4},
                      PngCase{"thumbnail_five_tiles", 5, {"--thumbnail", "200"}, 160, 32, 5, 1},
                      PngCase{"thumbnail_shrunk", 57, {"--thumbnail", "100"}, 100, 16, 19, 0},
                      PngCase{
                          "thumbnail_nineteen_rows", 400, {"--thumbnail", "128"}, 128, 128, 19, 0},
                      PngCase{"thumbnail_one_pixel", 20, {"--thumbnail=1"}, 1, 1, 19, 0}),
    RowName());

// The island's mosaic, read from the file's bytes here: its first 19 rows (608 pixels square),
// shrunk to 128 by plain averaging, alpha-weighted, is what its thumbnail must look like. The
// resampler reads 2 x 2 pixels where this averages 4.75 x 4.75, so a pixel may stray by the detail
// it skips; on average it may not.
TEST(Thumbnail, ShowsTheIslandAsTheWindowDoesShrunkToFit) {
    constexpr int kSide = 608;
    constexpr int kSize = 128;
    TempDir dir;
    const std::string island = ReadFile(kSamples + "/island.tst");
    ASSERT_EQ(
        RunExport(dir, {"--thumbnail", "128", kSamples + "/island.tst", dir / "t.png"}).status, 0);
    QImage thumbnail;
    ASSERT_TRUE(thumbnail.load(QString::fromStdString(dir / "t.png"), "PNG"));
    ASSERT_EQ(thumbnail.size(), QSize(kSize, kSize));
    thumbnail = thumbnail.convertToFormat(QImage::Format_RGBA8888);

    double difference = 0;
    std::set<QRgb> colours;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::array<double, 4> sum{};  // red, green and blue weighted by alpha; alpha
            const int from = x * kSide / kSize, to = (x + 1) * kSide / kSize;
            for (int sy = y * kSide / kSize; sy < (y + 1) * kSide / kSize; ++sy) {
                for (int sx = from; sx < to; ++sx) {
                    const auto* p = reinterpret_cast<const unsigned char*>(island.data()) + 6 +
                                    (sy / 32 * 19 + sx / 32) * 3072 + (sx % 32 * 32 + sy % 32) * 3;
                    const double opaque = p[0] == 0 && p[1] == 1 && p[2] == 2 ? 0 : 1;
                    sum = {sum[0] + p[0] * opaque, sum[1] + p[1] * opaque, sum[2] + p[2] * opaque,
                           sum[3] + opaque};
                }
            }
            const QColor got = thumbnail.pixelColor(x, y);
            colours.insert(got.rgba());
            const int pixels = (to - from) * ((y + 1) * kSide / kSize - y * kSide / kSize);
            difference += std::abs(255 * sum[3] / pixels - got.alpha());
            if (sum[3] > 0) {
                difference += std::abs(sum[0] / sum[3] - got.red()) +
                              std::abs(sum[1] / sum[3] - got.green()) +
                              std::abs(sum[2] / sum[3] - got.blue());
            }
        }
    }
    EXPECT_GT(colours.size(), 500u) << "not a flat colour";
    EXPECT_LT(difference / (kSize * kSize * 4), 4.0) << "levels from the average, on average";
}

// Full: @/disk is a 64 KB tmpfs; the test is skipped where it cannot be mounted.
enum class Disk { Any, Full };

struct FailureCase {
    const char* name;
    Strings args;  // "@/" stands for the test's folder
    int status;
    std::string errorPart;
    std::function<void(const TempDir&)> setUp = [](const TempDir&) {};
    RunAs runAs = RunAs::TestUser;
    Disk disk = Disk::Any;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class Refused : public ::testing::TestWithParam<FailureCase> {};

// Every name under folder, with the contents of its regular files.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        files[entry.path().lexically_relative(folder).string()] =
            entry.is_regular_file() ? ReadFile(entry.path()) : "";
    }
    return files;
}

// Nothing is written on any of these ways out, nothing left behind, every file there was is
// byte for byte as it was, and standard output stays empty.
TEST_P(Refused, ExitsWithItsStatusAndSaysWhy) {
    const FailureCase& c = GetParam();
    TempDir dir;
    std::optional<ScopedTmpfs> disk;
    if (c.disk == Disk::Full) {
        std::filesystem::create_directory(dir / "disk");
        disk.emplace(dir / "disk", 64 * 1024);
        if (!disk->Mounted()) {
            GTEST_SKIP() << "mounting a tmpfs needs root";
        }
    }
    c.setUp(dir);
    const auto before = Snapshot(dir.path());
    const Strings args = InFolder(dir, c.args);

    const Outcome run = RunExport(dir, args, c.runAs);
    if (::testing::Test::IsSkipped()) {
        return;
    }

    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, c.errorPart)) << run.err;
    EXPECT_EQ(Snapshot(dir.path()), before);
}

// Half of the disk taken by an older file of that name: the demo needs 40 KB as a JPEG, 175 KB
// as a bitmap, so the write fails midway.
std::function<void(const TempDir&)> OlderFileOnDisk(std::string name) {
    return
        [name](const TempDir& d) { WriteFile(d / ("disk/" + name), std::string(32 << 10, 'o')); };
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, Refused,
    ::testing::Values(
        FailureCase{
            "missing_tileset", {"@/absent.tst", "@/out.jpg"}, 1, "error 53: File not found"},
        FailureCase{"tileset_is_a_fifo",
                    {"@/fifo.tst", "@/out.bmp"},
                    1,
                    "error 75: Path/File access error (not a regular file)",
                    [](const TempDir& d) { ::mkfifo((d / "fifo.tst").c_str(), 0644); }},
        // Damaged or wrong: refused as such, and the output is never blamed.
        FailureCase{"empty_file",
                    {"@/e.tst", "@/e.jpg"},
                    1,
                    "e.tst': error 321: Invalid file format (the file is empty)\n",
                    [](const TempDir& d) { WriteFile(d / "e.tst", ""); }},
        FailureCase{"header_promises_more_tiles",
                    {"@/short.tst", "@/s.bmp"},
                    1,
                    "error 321: Invalid file format (the header counts 100 tiles, the file holds "
                    "2)\n",
                    [](const TempDir& d) { WriteFile(d / "short.tst", TilesetBytes(100, 2)); }},
        FailureCase{"jpeg_of_a_tileset_without_tiles",
                    {"@/empty.tst", "@/out.jpg"},
                    1,
                    "error 26001: Failed to save to JPG -1 (there is no picture to save)\n",
                    [](const TempDir& d) { WriteFile(d / "empty.tst", std::string(6, '\0')); }},
        FailureCase{"output_folder_missing",
                    {kDemo, "@/absent/out.bmp"},
                    1,
                    "error 76: Path not found (the folder does not exist)\n"},
        FailureCase{"jpeg_in_missing_folder",
                    {kDemo, "@/absent/out.jpg"},
                    1,
                    "error 26001: Failed to save to JPG -7 (the folder does not exist)\n"},
        // The tileset is a copy in the test's folder, which the user nobody can read.
        FailureCase{"output_folder_not_writable",
                    {"@/demo.tst", "@/locked/out.bmp"},
                    1,
                    "error 75: Path/File access error (permission denied)\n",
                    [](const TempDir& d) {
                        std::filesystem::copy_file(kDemo, d / "demo.tst");
                        std::filesystem::create_directory(d / "locked");
                        ::chmod((d / "locked").c_str(), 0555);
                    },
                    RunAs::Nobody},
        FailureCase{"output_read_only",
                    {kDemo, "@/old.jpg"},
                    1,
                    "error 75: Path/File access error (the file is read-only)\n",
                    [](const TempDir& d) {
                        WriteFile(d / "old.jpg", "old");
                        ::chmod((d / "old.jpg").c_str(), 0444);
                    }},
        FailureCase{"bmp_on_a_full_disk",
                    {kDemo, "@/disk/out.bmp"},
                    1,
                    "error 61: Disk full (no space left on the device)\n",
                    OlderFileOnDisk("other.dat"),
                    RunAs::TestUser,
                    Disk::Full},
        FailureCase{"bmp_over_a_file_on_a_full_disk",
                    {kDemo, "@/disk/out.bmp"},
                    1,
                    "error 61: Disk full (no space left on the device)\n",
                    OlderFileOnDisk("out.bmp"),
                    RunAs::TestUser,
                    Disk::Full},
        FailureCase{"jpeg_on_a_full_disk",
                    {kDemo, "@/disk/out.jpg"},
                    1,
                    "error 26001: Failed to save to JPG -8 (no space left on the device)\n",
                    OlderFileOnDisk("other.dat"),
                    RunAs::TestUser,
                    Disk::Full},
        FailureCase{"jpeg_over_a_file_on_a_full_disk",
                    {kDemo, "@/disk/out.jpg"},
                    1,
                    "error 26001: Failed to save to JPG -8 (no space left on the device)\n",
                    OlderFileOnDisk("out.jpg"),
                    RunAs::TestUser,
                    Disk::Full},
        // A tileset named as its own picture, under any name, is kept.
        FailureCase{"output_a_hard_link_to_the_tileset",
                    {"@/t.tst", "@/t.bmp"},
                    1,
                    "t.bmp': it is '",
                    [](const TempDir& d) {
                        std::filesystem::copy_file(kDemo, d / "t.tst");
                        std::filesystem::create_hard_link(d / "t.tst", d / "t.bmp");
                    }},
        FailureCase{"batch_over_a_tileset_in_the_folder",
                    {"--to", "@/", "--format", "bmp", kDemo, "@/t.bmp"},
                    1,
                    "t.bmp': it is read, and would be replaced",
                    [](const TempDir& d) { std::filesystem::copy_file(kDemo, d / "t.bmp"); }},
        // A Tiled tileset and its picture: neither is written unless both can be.
        FailureCase{"tsx_over_a_read_only_one",
                    {kDemo, "@/old.tsx"},
                    1,
                    "error 75: Path/File access error (the file is read-only)\n",
                    [](const TempDir& d) {
                        WriteFile(d / "old.tsx", "old");
                        ::chmod((d / "old.tsx").c_str(), 0444);
                    }},
        FailureCase{"tsx_beside_a_read_only_png",
                    {kDemo, "@/old.tsx"},
                    1,
                    "old.png': the file is read-only)\n",
                    [](const TempDir& d) {
                        WriteFile(d / "old.png", "old");
                        ::chmod((d / "old.png").c_str(), 0444);
                    }},
        FailureCase{"tsx_name_not_text", {kDemo, "@/bad\xFF.tsx"}, 1, "error 52: Bad file name"},
        FailureCase{"png_of_a_tileset_without_tiles",
                    {"@/empty.tst", "@/out.png"},
                    1,
                    "error 481: Invalid picture (the tileset has no tiles)\n",
                    [](const TempDir& d) { WriteFile(d / "empty.tst", std::string(6, '\0')); }},
        FailureCase{"columns_for_a_bitmap",
                    {"--columns", "5", kDemo, "@/x.bmp"},
                    2,
                    "PNG and TSX output only"},
        FailureCase{"no_columns", {"--columns", "0", kDemo, "@/x.png"}, 2, "1 to 32767, not '0'"},
        FailureCase{
            "thumbnail_too_large", {"--thumbnail", "5000", kDemo, "@/x.png"}, 2, "1 to 4096"},
        // A name cannot forge a second line, nor reach the terminal raw.
        FailureCase{"control_characters_in_a_name",
                    {"@/evil\norvane-export: fake.tst: all good\033[2J.tst", "@/out.bmp"},
                    1,
                    "/evil'$'\\n''orvane-export: fake.tst: all good'$'\\033''[2J.tst': error 53: "
                    "File not found\n"},
        // Raw C1 CSI; NEL, the line and paragraph separators in UTF-8; a byte of no UTF-8.
        FailureCase{"unprintable_bytes_in_a_name",
                    {"@/a\x9b"
                     "b\xc2\x85\xe2\x80\xa8\xe2\x80\xa9\xff\xc3\xa9.tst",
                     "@/out.bmp"},
                    1,
                    "/a'$'\\233''b'$'\\302\\205\\342\\200\\250\\342\\200\\251\\377''\xc3\xa9.tst': "
                    "error 53: File not found\n"},
        FailureCase{"gif", {kDemo, "@/x.gif"}, 2, "x.gif' would write nothing"},
        FailureCase{"upper_case_jpg", {kDemo, "@/x.JPG"}, 2, "would write nothing"},
        FailureCase{"no_arguments", {}, 2, "Usage: orvane-export TILESET OUTPUT"},
        FailureCase{"one_argument", {kDemo}, 2, "Usage: orvane-export TILESET OUTPUT"},
        FailureCase{"three_arguments", {kDemo, "@/a.bmp", "@/b.bmp"}, 2, "Usage:"},
        FailureCase{"empty_tileset_name", {"", "@/out.bmp"}, 2, "TILESET"},
        FailureCase{"batch_without_format", {"--to", "@/", kDemo}, 2, "needs --format"},
        FailureCase{"batch_gif", {"--to", "@/", "--format", "gif", kDemo}, 2, "needs --format"},
        FailureCase{"batch_columns_for_jpegs",
                    {"--to", "@/", "--format", "jpg", "--columns", "4", kDemo},
                    2,
                    "PNG and TSX output only"},
        FailureCase{"batch_folder_missing",
                    {"--to", "@/absent", "--format", "jpg", kDemo},
                    2,
                    "is not a folder"},
        // One file named twice is exported once; two files of one name are refused.
        FailureCase{"batch_two_files_one_picture",
                    {"--to", "@/", "--format", "jpg", kDemo, "@/copy/demo.tst"},
                    2,
                    "would both write",
                    [](const TempDir& d) {
                        std::filesystem::create_directory(d / "copy");
                        std::filesystem::copy_file(kDemo, d / "copy/demo.tst");
                    }}),
    RowName());

// How the large tileset's export ends: its write fails, or the process is killed, at the limit;
// or the whole batch is stopped while it is written, by Ctrl+C (SIGINT to the process group) or
// by SIGTERM to the batch alone.
enum class Stop { WriteFails, Killed, CtrlC, TermToTheBatch };

struct BatchCase {
    const char* name;
    Strings options;  // "@/" stands for the test's folder
    std::string format;
    std::uint64_t fileSizeLimit;  // above the demo's picture, below the large tileset's
    Stop stop;
    bool namedTemporaries = false;  // as on NFS or FAT: written to hidden files beside them
};
void PrintTo(const BatchCase& c, std::ostream* os) {
    *os << c.name;
}

class Batch : public ::testing::TestWithParam<BatchCase> {};

// The environment in which orvane-export runs as on a file system that cannot make a file without
// a name. The sanitizers' runtime, where there is one, is then not the first library loaded.
std::vector<EnvironmentChange> WithoutNamelessFiles() {
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    return {
        {"LD_PRELOAD", ORVANE_NO_TMPFILE_PATH},
        {"ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + ":verify_asan_link_order=0"}};
}

// Whether done() came true within that many milliseconds.
bool WaitUntil(int milliseconds, const std::function<bool()>& done) {
    for (int waited = 0; waited < milliseconds; ++waited) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Whether the batch's one child left writes a file in folder that has no name or a hidden one: a
// picture half written, and every other child reaped, so that the batch has counted what it
// exported.
bool OnlyOnePictureUnderWay(pid_t batch, const std::filesystem::path& folder) {
    std::ifstream list("/proc/" + std::to_string(batch) + "/task/" + std::to_string(batch) +
                       "/children");
    std::vector<pid_t> children{std::istream_iterator<pid_t>(list), {}};
    if (children.size() != 1) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path fds = "/proc/" + std::to_string(children[0]) + "/fd";
    for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
        const std::string file = std::filesystem::read_symlink(fd.path(), error).string();
        if ((file.starts_with(folder.string() + "/#") && file.ends_with(" (deleted)")) ||
            file.starts_with(folder.string() + "/.large.")) {
            return true;
        }
    }
    return false;
}

// Pixels that no format shrinks much.
Rgb Noise(int tile, int x, int y) {
    const auto noise = static_cast<std::uint32_t>(tile * 7919 + x * 131 + y) * 2'654'435'761U;
    return Rgb{BYTE(noise >> 24), BYTE(noise >> 16), BYTE(noise >> 8)};
}

// Stops the batch once the small tilesets are written and the large one is under way, while
// its picture is written if that is seen in time.
std::function<void(pid_t)> StopWhileWriting(const TempDir& dir, const std::string& format,
                                            Stop stop) {
    return [&dir, format, stop](pid_t batch) {
        WaitUntil(10'000, [&] {
            return std::filesystem::exists(dir / ("out/a." + format)) &&
                   std::filesystem::exists(dir / ("out/b." + format)) &&
                   std::filesystem::exists(dir / ("out/c." + format));
        });
        WaitUntil(3'000, [&] { return OnlyOnePictureUnderWay(batch, dir / "out"); });
        if (stop == Stop::CtrlC) {
            ::kill(-batch, SIGINT);
        } else {
            ::kill(batch, SIGTERM);
        }
    };
}

// Among four tilesets, one cannot be read and one's picture cannot be written whole (the write
// fails, or the process is killed): the other two are written as the two-argument form writes
// them, each failure is one line naming its tileset once, and nothing is left of the failed
// pictures; a file that looks like a temporary one is not ours, and stays. A batch stopped by a
// signal leaves no child running and only whole pictures, says how many in one line, and ends by
// that signal.
TEST_P(Batch, ExportsEveryTilesetItCanAndNamesEachFailure) {
    const BatchCase& c = GetParam();
    const bool stopped = c.stop == Stop::CtrlC || c.stop == Stop::TermToTheBatch;
    TempDir dir;
    std::filesystem::create_directories(dir / "in");
    std::filesystem::create_directories(dir / "out");
    const std::string decoy = ".large." + c.format + ".0123456789ABCDEF.tmp";
    WriteFile(dir / ("out/" + decoy), "the user's");
    const std::string missing = dir / "in/missing.tst";
    const std::string large = dir / "in/large.tst";
    std::filesystem::copy_file(kDemo, dir / "in/a.tst");
    std::filesystem::copy_file(kDemo, dir / "in/c.tst");
    // Stopped, it takes a while: some seconds, far more than the small ones. Noise, so that no
    // format shrinks it below the limit on the file's size.
    const std::int16_t largeTiles = stopped ? 8000 : 1000;
    WriteFile(large, TilesetBytes(largeTiles, largeTiles, Noise));
    const std::string single = dir / ("single." + c.format);
    ASSERT_EQ(RunExport(dir, {kDemo, single}).status, 0);
    Strings args = InFolder(dir, c.options);
    // a.tst named twice, as the shell's globs may name it: exported once; a link to it under
    // another name makes a picture of its own.
    std::filesystem::create_symlink("a.tst", dir / "in/b.tst");
    args.insert(args.end(), {dir / "in/a.tst", missing, dir / "in/c.tst", dir / "in/b.tst", large,
                             dir / "in/./a.tst"});

    Outcome run;
    pid_t batch = 0;
    {
        const ScopedFileSizeLimit limit(c.fileSizeLimit);
        if (c.stop == Stop::Killed) {
            std::signal(SIGXFSZ, SIG_DFL);  // the limit's own scope puts the old handler back
        }
        std::function<void(pid_t)> whileRunning;
        if (stopped) {
            whileRunning = [&, stopAt = StopWhileWriting(dir, c.format, c.stop)](pid_t pid) {
                batch = pid;
                stopAt(pid);
            };
        }
        run = RunProgram(
            dir, kExport, args,
            c.namedTemporaries ? WithoutNamelessFiles() : std::vector<EnvironmentChange>{},
            RunAs::TestUser, whileRunning);
    }

    EXPECT_EQ(run.out, "");
    Strings lines;
    for (std::istringstream err(run.err); std::getline(err, lines.emplace_back());) {
    }
    lines.pop_back();
    Strings pictures{"a." + c.format, "b." + c.format, "c." + c.format};
    if (stopped) {
        EXPECT_EQ(run.signal, c.stop == Stop::CtrlC ? SIGINT : SIGTERM);
        EXPECT_NE(::kill(-batch, 0), 0) << "a child outlived the batch";
        // Stopped just as it ended, the large one may be whole.
        if (std::filesystem::exists(dir / ("out/large." + c.format))) {
            pictures.push_back("large." + c.format);
        }
        ASSERT_EQ(lines.size(), 2u) << run.err;
        EXPECT_EQ(lines[1], "orvane-export: interrupted: " + std::to_string(pictures.size()) +
                                " of 5 exported");
        lines.pop_back();
    } else {
        EXPECT_EQ(run.status, 1);
        std::sort(lines.begin(), lines.end());
        ASSERT_EQ(lines.size(), 2u) << run.err;
        EXPECT_EQ(lines[0].rfind("orvane-export: " + large + ": ", 0), 0u) << lines[0];
        lines.erase(lines.begin());
    }
    EXPECT_EQ(lines[0], "orvane-export: " + missing + ": error 53: File not found");
    pictures.push_back(decoy);
    std::sort(pictures.begin(), pictures.end());
    EXPECT_EQ(FolderEntries(dir / "out"), pictures);
    EXPECT_EQ(ReadFile(dir / ("out/" + decoy)), "the user's");
    EXPECT_EQ(ReadFile(dir / ("out/a." + c.format)), ReadFile(single));
    EXPECT_EQ(ReadFile(dir / ("out/b." + c.format)), ReadFile(single));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Batch,
    ::testing::Values(
        BatchCase{"jpg", {"--to", "@/out", "--format", "jpg"}, "jpg", 100'000, Stop::WriteFails},
        // A format's name, not a file's: capitals are taken.
        BatchCase{"bmp_options_with_equals",
                  {"--format=BMP", "--to=@/out"},
                  "bmp",
                  1'000'000,
                  Stop::WriteFails},
        BatchCase{"png", {"--to", "@/out", "--format=png"}, "png", 100'000, Stop::WriteFails},
        // Each child removes the hidden file it writes to, however it is ended.
        BatchCase{"killed_while_writing",
                  {"--to", "@/out", "--format", "jpg"},
                  "jpg",
                  100'000,
                  Stop::Killed,
                  true},
        BatchCase{"ctrl_c_while_writing",
                  {"--to", "@/out", "--format", "jpg"},
                  "jpg",
                  RLIM_INFINITY,
                  Stop::CtrlC,
                  true},
        BatchCase{"sigterm_to_the_batch_alone",
                  {"--to", "@/out", "--format", "bmp"},
                  "bmp",
                  RLIM_INFINITY,
                  Stop::TermToTheBatch,
                  true}),
    RowName());

// So does a single export.
TEST(OrvaneExport, StoppedWhileWritingAHiddenFileLeavesNothing) {
    TempDir dir;
    WriteFile(dir / "large.tst", TilesetBytes(8000, 8000));
    const auto writing = [&] {
        const Strings names = FolderEntries(dir.path());
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return name.starts_with(".large.jpg."); });
    };
    bool seen = false;
    const Outcome run = RunProgram(dir, kExport, {dir / "large.tst", dir / "large.jpg"},
                                   WithoutNamelessFiles(), RunAs::TestUser, [&](pid_t exporter) {
                                       seen = WaitUntil(10'000, writing);
                                       ::kill(exporter, SIGTERM);
                                   });
    EXPECT_TRUE(seen);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"large.tst"});
}

// A tileset cut short while its PNG is made of it: the tileset is blamed, not the picture, and
// nothing is written.
TEST(OrvaneExport, ATilesetCutShortWhileItIsReadIsTheTilesetsFailure) {
    TempDir dir;
    WriteFile(dir / "big.tst", TilesetBytes(32767, 32767, Noise));
    const auto writing = [&] {
        const Strings names = FolderEntries(dir.path());
        return std::any_of(names.begin(), names.end(),
                           [](const std::string& name) { return name.starts_with(".big.png."); });
    };
    const Outcome run = RunProgram(dir, kExport, {dir / "big.tst", dir / "big.png"},
                                   WithoutNamelessFiles(), RunAs::TestUser, [&](pid_t) {
                                       WaitUntil(10'000, writing);
                                       std::filesystem::resize_file(dir / "big.tst", 6 + 3072);
                                   });
    if (run.status == 0) {
        GTEST_SKIP() << "the picture was written before the tileset was cut";
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "orvane-export: reading '" + (dir / "big.tst") +
                           "': error 321: Invalid file format (the file was cut short while it "
                           "was read)\n");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"big.tst"});
}

std::string ProcessFile(pid_t pid, const std::string& name) {
    return ReadFile("/proc/" + std::to_string(pid) + "/" + name);
}

// A batch stopped while it waits to write to a full standard error (a pipe that nobody reads yet)
// says all it has to once the pipe is read: the line it was writing, and how far it came.
TEST(OrvaneExport, ABatchStoppedWhileItsStandardErrorIsFullLosesNoLine) {
    TempDir dir;
    const std::string missing = dir / "missing.tst";
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string filler(static_cast<std::size_t>(::fcntl(ends[1], F_SETPIPE_SZ, 4096)), '.');
    ASSERT_EQ(::write(ends[1], filler.data(), filler.size()), std::ssize(filler));
    const pid_t batch = ::fork();
    if (batch == 0) {
        ::dup2(ends[1], STDERR_FILENO);
        ::execl(kExport.c_str(), kExport.c_str(), "--to", dir.path().c_str(), "--format", "jpg",
                missing.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(ends[1]);
    const std::string writing = std::to_string(SYS_write) + " 0x2 ";
    WaitUntil(10'000, [&] { return ProcessFile(batch, "syscall").starts_with(writing); });
    ::kill(batch, SIGTERM);
    // Read once the signal has reached the write: room made sooner could let the write finish.
    WaitUntil(10'000,
              [&] { return Contains(ProcessFile(batch, "status"), "ShdPnd:\t0000000000000000"); });
    const std::string err = ReadFile("/proc/self/fd/" + std::to_string(ends[0]));
    int status = 0;
    ::waitpid(batch, &status, 0);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(err.substr(std::min(filler.size(), err.size())),
              "orvane-export: " + missing + ": error 53: File not found\n" +
                  "orvane-export: interrupted: 0 of 1 exported\n");
}

struct OutputCase {
    const char* name;
    std::string command;  // for sh, in the test's folder: $E, $P and $T are the three programs
    int status;
    std::string err;  // the last line on standard error
};
void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << c.name;
}

class StandardOutput : public ::testing::TestWithParam<OutputCase> {};

// What a program prints that does not reach its standard output is a failure, told on standard
// error; a standard output closed that nothing is printed to is none.
TEST_P(StandardOutput, ThatTakesNothingIsAFailure) {
    const OutputCase& c = GetParam();
    TempDir dir;
    std::filesystem::copy_file(kDemo, dir / "demo.tst");
    const Outcome run = RunProgram(dir, "/bin/sh",
                                   {"-c", "cd \"$1\" && E=$2 P=$3 T=$4 && " + c.command, "sh",
                                    dir.path(), kExport, ORVANE_PACK_PATH, ORVANE_TILES_PATH});
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.err.ends_with(c.err)) << run.err;
}

const std::string kFull = "standard output could not be written (no space left on the device)\n";
INSTANTIATE_TEST_SUITE_P(
    Programs, StandardOutput,
    ::testing::Values(
        OutputCase{"export_full", "$E demo.tst d.bmp >/dev/full", 1, "orvane-export: " + kFull},
        OutputCase{"export_closed", "$E demo.tst d.bmp >&-", 1, "(bad file descriptor)\n"},
        OutputCase{"help_full", "$E --help >/dev/full", 1,
                   "standard output could not be written\n"},
        OutputCase{"batch_closed", "$E --to . --format bmp demo.tst >&-", 0, ""},
        OutputCase{"pack_full", "$E demo.tst d.png >/dev/null && $P d.png d2.tst >/dev/full", 1,
                   "orvane-pack: " + kFull},
        OutputCase{"tiles_full", "$T stats demo.tst >/dev/full", 1, "orvane-tiles: " + kFull},
        OutputCase{"tiles_diff_different_full",
                   "{ printf '\\0\\0\\1\\0\\0\\0'; head -c 3072 /dev/zero; } >one.tst && "
                   "$T diff demo.tst one.tst >/dev/full",
                   2, "orvane-tiles: " + kFull}),
    RowName());

TEST(OrvaneExport, HelpTellsTheFormatsTheDispatchAndTheStatuses) {
    TempDir dir;
    for (const char* option : {"--help", "-h"}) {
        const Outcome run = RunExport(dir, {option});

        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.err, "") << option;
        for (const char* part :
             {"Usage: orvane-export TILESET OUTPUT", "--to DIR --format jpg|bmp|png", "bmp", "jpg",
              "png", "--columns N", "--thumbnail SIZE", "case-sensitive", "quality 90", "myjpg",
              "Exit status", "0  ", "1  ", "2  "}) {
            EXPECT_TRUE(Contains(run.out, part)) << option << " lacks " << part;
        }
    }
    const Outcome version = RunExport(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "orvane-export " ORVANE_VERSION "\n");
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

}  // namespace
