#include "jpeg/mjpeg_encoder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>

#include "dib/cdibsection.h"
#include "jpeg/mjpeg_encoder_testing.h"
#include "platform/app.h"
#include "platform/gdi.h"
#include "platform/kernel32.h"
#include "platform/runtime_error.h"
#include "tests/support/file_conditions.h"
#include "tests/support/jpeg_reader.h"
#include "tests/support/row_name.h"
#include "tests/support/surface.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::cDIBSection;
using orvane::platform::RuntimeError;
using orvane::testing::DecodeJpeg;
using orvane::testing::FolderEntries;
using orvane::testing::PermissionBits;
using orvane::testing::ReadFile;
using orvane::testing::RowName;
using orvane::testing::ScopedFileSizeLimit;
using orvane::testing::Surface;
using orvane::testing::TempDir;
using orvane::testing::WriteFile;
namespace mJPEGEncoder = orvane::mJPEGEncoder;

// Flat 8 x 8 blocks, a colour each, darker towards the bottom: a JPEG brings each block back
// within a few levels, while a flipped, shifted or mis-padded row lands in a block of another
// colour far away.
COLORREF BlockColour(int x, int y, int salt) {
    const int bx = x / 8, by = y / 8;
    return RGB(static_cast<BYTE>(30 + 60 * ((bx + salt) % 4)),
               static_cast<BYTE>(220 - 45 * (by % 5)),
               static_cast<BYTE>(40 + 70 * ((bx + by + salt) % 3)));
}

// A picture box as the export sees the canvas: a bitmap selected into a memory DC of its own.
class TestPicture : public orvane::platform::PictureBox {
  public:
    TestPicture(int width, int height, int salt = 0) : surface_(width, height) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                SetPixelV(surface_.dc(), x, y, BlockColour(x, y, salt));
            }
        }
    }
    HBITMAP Image() const override { return surface_.bitmap(); }
    HDC hDC() const override { return surface_.dc(); }
    int width() const { return surface_.width(); }
    int height() const { return surface_.height(); }

  private:
    Surface surface_;
};

// Routes the export's calls to the library through counters, and lets a test make one fail.
struct LibraryCalls {
    static inline int inits = 0, writes = 0, frees = 0;
    static inline int initResult = JENC_OK;   // returned instead of calling jencInit when not OK
    static inline int writeResult = JENC_OK;  // returned after jencWrite ran, when not OK
    static inline mode_t writtenMode = 0;     // of the file jencWrite wrote, right after

    LibraryCalls() {
        inits = writes = frees = 0;
        writtenMode = 0;
        initResult = writeResult = JENC_OK;
        previous = mJPEGEncoder::SetEncoderEntryPoints(
            {[](JENC_CORE_PROPERTIES* p) {
                 ++inits;
                 return initResult != JENC_OK ? initResult : jencInit(p);
             },
             [](JENC_CORE_PROPERTIES* p, int mode) {
                 ++writes;
                 const int result = jencWrite(p, mode);
                 const int error = errno;  // the export reads it to say why a write failed
                 struct stat info {};
                 writtenMode = ::stat(p->JPGFile, &info) == 0 ? info.st_mode & 07777 : 0;
                 errno = error;
                 return writeResult != JENC_OK ? writeResult : result;
             },
             [](JENC_CORE_PROPERTIES* p) {
                 ++frees;
                 return jencFree(p);
             }});
    }
    ~LibraryCalls() { mJPEGEncoder::SetEncoderEntryPoints(previous); }
    mJPEGEncoder::EncoderEntryPoints previous;
};

RuntimeError RaisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error;
    }
    ADD_FAILURE() << "no error raised";
    return RuntimeError(0, "", "");
}

void ExpectJpegOf(const std::string& path, const TestPicture& picture, int salt) {
    const auto image = DecodeJpeg(ReadFile(path));
    ASSERT_EQ(image.width, picture.width());
    ASSERT_EQ(image.height, picture.height());
    // Flat blocks at quality 90 come back within a few levels; neighbouring blocks differ by 40
    // or more in some channel.
    constexpr int kTolerance = 10;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const COLORREF want = BlockColour(x, y, salt);
            const BYTE* got = image.At(x, y);
            ASSERT_NEAR(got[0], GetRValue(want), kTolerance) << "red at " << x << "," << y;
            ASSERT_NEAR(got[1], GetGValue(want), kTolerance) << "green at " << x << "," << y;
            ASSERT_NEAR(got[2], GetBValue(want), kTolerance) << "blue at " << x << "," << y;
        }
    }
}

WIN32_FIND_DATAA Find(const std::string& path) {
    WIN32_FIND_DATAA data{};
    const HANDLE found = FindFirstFileA(path.c_str(), &data);
    EXPECT_NE(found, INVALID_HANDLE_VALUE) << path;
    FindClose(found);
    return data;
}

std::uint64_t Ticks(const FILETIME& t) {
    return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void SetTimes(const std::string& path, std::uint64_t access, std::uint64_t write) {
    const HFILE file = _lopen(path.c_str(), OF_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    const FILETIME a = FromTicks(access), w = FromTicks(write);
    SetFileTime(file, nullptr, &a, &w);
    _lclose(file);
}

// 2001-02-03 and 2002-03-04, in 100 ns steps since 1601.
constexpr std::uint64_t kOldAccess = 126'258'372'000'000'000ULL;
constexpr std::uint64_t kOldWrite = 126'591'264'000'000'000ULL;

// ---------------------------------------------------------------------------------------------

class SavePictureAsJpegWidth : public ::testing::TestWithParam<int> {};

// Widths 32 to 35 give each of the four paddings (0 to 3 bytes per row); 608 is a full mosaic
// row. The rows are handed over bottom-up, so an upright result proves the orientation.
TEST_P(SavePictureAsJpegWidth, WritesTheCanvasUprightAtItsSize) {
    TempDir dir;
    const TestPicture picture(GetParam(), 48);
    LibraryCalls calls;
    EXPECT_TRUE(mJPEGEncoder::SavePictureAsJpeg(picture, dir / "canvas.jpg", 90));
    ExpectJpegOf(dir / "canvas.jpg", picture, 0);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"canvas.jpg"});
    EXPECT_EQ(calls.frees, 1);
}

INSTANTIATE_TEST_SUITE_P(Paddings, SavePictureAsJpegWidth, ::testing::Values(32, 33, 34, 35, 608));

TEST(SavePictureAsJpeg, ReplacingAFileKeepsItsTimesPermissionsAndAttributes) {
    TempDir dir;
    const std::string path = dir / "tiles.jpg";
    WriteFile(path, "an older picture");
    ::chmod(path.c_str(), 0640);
    SetTimes(path, kOldAccess, kOldWrite);
    const WIN32_FIND_DATAA before = Find(path);

    const TestPicture picture(40, 24);
    LibraryCalls calls;
    EXPECT_TRUE(mJPEGEncoder::SavePictureAsJpeg(picture, path, 90));

    EXPECT_EQ(calls.writtenMode, 0600u) << "others could read the new picture before its time";
    const WIN32_FIND_DATAA after = Find(path);
    EXPECT_EQ(Ticks(after.ftLastWriteTime), kOldWrite);
    EXPECT_EQ(Ticks(after.ftLastAccessTime), kOldAccess);
    EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
    EXPECT_EQ(PermissionBits(path), 0640u);
    ExpectJpegOf(path, picture, 0);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"tiles.jpg"});
}

TEST(SavePictureAsJpeg, SavingTwiceKeepsTheFirstSavesTimes) {
    TempDir dir;
    const std::string path = dir / "twice.jpg";
    const TestPicture first(32, 32, 0), second(32, 32, 1);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(first, path, 90));
    const WIN32_FIND_DATAA afterFirst = Find(path);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(second, path, 90));
    const WIN32_FIND_DATAA afterSecond = Find(path);

    EXPECT_EQ(Ticks(afterSecond.ftLastWriteTime), Ticks(afterFirst.ftLastWriteTime));
    EXPECT_EQ(Ticks(afterSecond.ftLastAccessTime), Ticks(afterFirst.ftLastAccessTime));
    ExpectJpegOf(path, second, 1);
}

TEST(SavePictureAsJpeg, ANewFileKeepsTheTimesItsCreationGaveIt) {
    TempDir dir;
    const std::string path = dir / "new.jpg";
    const TestPicture picture(8, 8);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(picture, path, 90));
    const auto written = Ticks(Find(path).ftLastWriteTime);
    EXPECT_GT(written, kOldWrite) << "no times were carried over from anywhere";
}

TEST(SavePictureAsJpeg, AReadOnlyFileIsRefusedWithTheDeletionsErrorAndNothingWritten) {
    TempDir dir;
    const std::string path = dir / "locked.jpg";
    WriteFile(path, "keep me");
    ::chmod(path.c_str(), 0444);
    const TestPicture picture(16, 16);
    LibraryCalls calls;

    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    EXPECT_EQ(error.Number(), 75);
    EXPECT_EQ(error.Description(), "Path/File access error");
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"locked.jpg"});
    EXPECT_EQ(calls.writes, 0);
    EXPECT_EQ(calls.frees, 1) << "the prepared library is released on this way out too";
}

TEST(SavePictureAsJpeg, AFolderThatDoesNotExistIsTheEncodersWriteError) {
    TempDir dir;
    const TestPicture picture(16, 16);
    LibraryCalls calls;
    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::SavePictureAsJpeg(picture, dir / "missing/tiles.jpg", 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Source(), orvane::platform::AppExeName() + ".mJPEGEncoder");
    EXPECT_EQ(error.Description(), "Failed to save to JPG " + std::to_string(JENC_ERR_FILE_CREATE));
    EXPECT_EQ(error.HelpContext(), mJPEGEncoder::kWriteFailureHelpContext);
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
    EXPECT_EQ(calls.frees, 1);
}

TEST(SavePictureAsJpeg, AFailingLibraryPreparationLeavesTheFileSystemAsItWas) {
    TempDir dir;
    const std::string path = dir / "tiles.jpg";
    WriteFile(path, "old");
    SetTimes(path, kOldAccess, kOldWrite);
    const TestPicture picture(16, 16);
    LibraryCalls calls;
    LibraryCalls::initResult = -1234;

    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Description(), "Failed to initialise the JPEG library: -1234");
    EXPECT_EQ(error.HelpContext(), 0);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(Ticks(Find(path).ftLastWriteTime), kOldWrite);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"tiles.jpg"});
    EXPECT_EQ(calls.writes, 0);
    EXPECT_EQ(calls.frees, 0) << "nothing was prepared, so nothing is released";
}

struct WriteFailure {
    const char* name;
    int encoderResult;            // what the library reports after writing; JENC_OK: as it is
    std::uint64_t fileSizeLimit;  // bytes any file may grow to; 0: no limit
};

class FailedWrite : public ::testing::TestWithParam<WriteFailure> {};

// However the write fails, the file it would have replaced is exactly as it was, and no
// temporary file is left beside it.
TEST_P(FailedWrite, LeavesTheOldFileIntact) {
    TempDir dir;
    const std::string path = dir / "tiles.jpg";
    const std::string old(300'000, 'x');  // larger than the new JPEG can grow before it fails
    WriteFile(path, old);
    SetTimes(path, kOldAccess, kOldWrite);
    const TestPicture picture(608, 96);
    LibraryCalls calls;
    LibraryCalls::writeResult = GetParam().encoderResult;
    std::optional<ScopedFileSizeLimit> limit;
    if (GetParam().fileSizeLimit != 0) {
        limit.emplace(GetParam().fileSizeLimit);
    }

    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    limit.reset();
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Description().rfind("Failed to save to JPG -", 0), 0u) << error.Description();
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Ticks(Find(path).ftLastWriteTime), kOldWrite);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"tiles.jpg"});
    EXPECT_EQ(calls.frees, 1);
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedWrite,
                         ::testing::Values(WriteFailure{"encoder_reports_failure", JENC_ERR_ENCODE,
                                                        0},
                                           WriteFailure{"disk_full", JENC_OK, 4096}),
                         RowName());

TEST(SavePictureAsJpeg, APictureWithoutPixelsIsRefusedByTheEncoderAndWritesNothing) {
    TempDir dir;
    struct NoPicture : orvane::platform::PictureBox {
        HDC dc = CreateCompatibleDC(nullptr);
        ~NoPicture() override { DeleteDC(dc); }
        HBITMAP Image() const override { return nullptr; }
        HDC hDC() const override { return dc; }
    } picture;
    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::SavePictureAsJpeg(picture, dir / "empty.jpg", 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST(WriteJpegFile, AQualityTheEncoderRefusesComesBackAsTheWriteError) {
    TempDir dir;
    const TestPicture picture(16, 16);
    const auto buffer = std::make_shared<cDIBSection>();
    ASSERT_TRUE(buffer->Create(16, 16));
    buffer->LoadPictureBlt(picture.hDC());
    const RuntimeError error =
        RaisedBy([&] { mJPEGEncoder::WriteJpegFile(*buffer, dir / "q.jpg", 101); });
    EXPECT_EQ(error.Description(), "Failed to save to JPG " + std::to_string(JENC_ERR_QUALITY));
    EXPECT_TRUE(mJPEGEncoder::WriteJpegFile(*buffer, dir / "q.jpg", 100));
    ExpectJpegOf(dir / "q.jpg", picture, 0);
}

}  // namespace
