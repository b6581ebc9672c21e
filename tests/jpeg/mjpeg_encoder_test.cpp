#include "jpeg/mjpeg_encoder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>

#include "jpeg/mjpeg_encoder_testing.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "platform/kernel32.h"
#include "platform/runtime_error.h"
#include "tests/support/buffers.h"
#include "tests/support/file_conditions.h"
#include "tests/support/jpeg_reader.h"
#include "tests/support/picture_compare.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

using orvane::platform::RuntimeError;
using namespace orvane::testing;
namespace mJPEGEncoder = orvane::mJPEGEncoder;

// Routes the export's calls to the library through counters, and lets a test make one fail.
struct LibraryCalls {
    static inline int inits = 0, writes = 0, frees = 0;
    static inline int initResult = JENC_OK;   // returned instead of calling jencInit when not OK
    static inline int writeResult = JENC_OK;  // returned after jencWrite ran, when not OK
    static inline mode_t writtenMode = 0;     // of the file jencWrite wrote, right after
    static inline std::function<void()> afterWrite = [] {};

    LibraryCalls() {
        inits = writes = frees = 0;
        writtenMode = 0;
        initResult = writeResult = JENC_OK;
        afterWrite = [] {};
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
                 afterWrite();
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

// Flat blocks at quality 90 come back within a few levels, far less than the 45 or more between
// neighbouring blocks.
void ExpectJpegOf(const std::string& path, const Surface& picture, int salt) {
    EXPECT_TRUE(PicturesNear(ViewOf(DecodeJpeg(ReadFile(path))),
                             Painted(picture.width(), picture.height(), Blocks, salt), 10));
}

// 2001-02-03 and 2002-03-04, midnight UTC, as the system sets them and in 100 ns steps since 1601
// as the export reads them.
constexpr timespec kOldAccess{981'158'400, 0};
constexpr timespec kOldWrite{1'015'200'000, 0};
constexpr std::uint64_t kOldAccessTicks = 126'256'320'000'000'000ULL;
constexpr std::uint64_t kOldWriteTicks = 126'596'736'000'000'000ULL;

// ---------------------------------------------------------------------------------------------

class SavePictureAsJpegWidth : public ::testing::TestWithParam<int> {};

// Widths 32 to 35 give each of the four paddings (0 to 3 bytes per row); 608 is a full mosaic
// row. The rows are handed over bottom-up, so an upright result proves the orientation.
TEST_P(SavePictureAsJpegWidth, WritesTheCanvasUprightAtItsSize) {
    TempDir dir;
    const Surface picture(GetParam(), 48, Blocks, 0);
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
    const WIN32_FIND_DATAA before = FindData(path);

    const Surface picture(40, 24, Blocks, 0);
    LibraryCalls calls;
    EXPECT_TRUE(mJPEGEncoder::SavePictureAsJpeg(picture, path, 90));

    EXPECT_EQ(calls.writtenMode, 0600u) << "others could read the new picture before its time";
    const WIN32_FIND_DATAA after = FindData(path);
    EXPECT_EQ(Ticks(after.ftLastWriteTime), kOldWriteTicks);
    EXPECT_EQ(Ticks(after.ftLastAccessTime), kOldAccessTicks);
    EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
    EXPECT_EQ(PermissionBits(path), 0640u);
    ExpectJpegOf(path, picture, 0);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"tiles.jpg"});
}

// A name pointed elsewhere while the JPEG is written (at another file, by a link) must not take
// the old file's times there: they go to the replacement itself.
TEST(SavePictureAsJpeg, TheTimesGoToTheReplacementWhereverItsNameLeadsMeanwhile) {
    TempDir dir;
    WriteFile(dir / "tiles.jpg", "an older picture");
    SetTimes(dir / "tiles.jpg", kOldAccess, kOldWrite);
    std::filesystem::create_symlink("tiles.jpg", dir / "link.jpg");
    WriteFile(dir / "other.jpg", "someone else's");
    const std::uint64_t otherWritten = Ticks(FindData(dir / "other.jpg").ftLastWriteTime);
    LibraryCalls calls;
    LibraryCalls::afterWrite = [&] {
        std::filesystem::remove(dir / "link.jpg");
        std::filesystem::create_symlink("other.jpg", dir / "link.jpg");
    };
    EXPECT_TRUE(mJPEGEncoder::SavePictureAsJpeg(Surface(16, 16, Blocks, 0), dir / "link.jpg", 90));
    EXPECT_EQ(Ticks(FindData(dir / "tiles.jpg").ftLastWriteTime), kOldWriteTicks);
    EXPECT_EQ(Ticks(FindData(dir / "other.jpg").ftLastWriteTime), otherWritten);
}

TEST(SavePictureAsJpeg, SavingTwiceKeepsTheFirstSavesTimes) {
    TempDir dir;
    const std::string path = dir / "twice.jpg";
    const Surface first(32, 32, Blocks, 0), second(32, 32, Blocks, 1);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(first, path, 90));
    const WIN32_FIND_DATAA afterFirst = FindData(path);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(second, path, 90));
    const WIN32_FIND_DATAA afterSecond = FindData(path);

    EXPECT_EQ(Ticks(afterSecond.ftLastWriteTime), Ticks(afterFirst.ftLastWriteTime));
    EXPECT_EQ(Ticks(afterSecond.ftLastAccessTime), Ticks(afterFirst.ftLastAccessTime));
    ExpectJpegOf(path, second, 1);
}

TEST(SavePictureAsJpeg, ANewFileKeepsTheTimesItsCreationGaveIt) {
    TempDir dir;
    const std::string path = dir / "new.jpg";
    WriteFile(dir / "earlier", "");
    const Surface picture(8, 8, Blocks, 0);
    ASSERT_TRUE(mJPEGEncoder::SavePictureAsJpeg(picture, path, 90));
    EXPECT_GE(Ticks(FindData(path).ftLastWriteTime),
              Ticks(FindData(dir / "earlier").ftLastWriteTime))
        << "no times were carried over from anywhere";
}

TEST(SavePictureAsJpeg, AReadOnlyFileIsRefusedWithTheDeletionsErrorAndNothingWritten) {
    TempDir dir;
    const std::string path = dir / "locked.jpg";
    WriteFile(path, "keep me");
    ::chmod(path.c_str(), 0444);
    const Surface picture(16, 16, Blocks, 0);
    LibraryCalls calls;

    const RuntimeError error =
        RaisedError([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    EXPECT_EQ(error.Number(), 75);
    EXPECT_EQ(error.Description(), "Path/File access error");
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"locked.jpg"});
    EXPECT_EQ(calls.writes, 0);
    EXPECT_EQ(calls.frees, 1) << "the prepared library is released on this way out too";
}

TEST(SavePictureAsJpeg, AFolderThatDoesNotExistIsTheEncodersWriteError) {
    TempDir dir;
    const Surface picture(16, 16, Blocks, 0);
    LibraryCalls calls;
    const RuntimeError error = RaisedError(
        [&] { mJPEGEncoder::SavePictureAsJpeg(picture, dir / "missing/tiles.jpg", 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Source(), "mjpeg_encoder_tests.mJPEGEncoder");
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
    const Surface picture(16, 16, Blocks, 0);
    LibraryCalls calls;
    LibraryCalls::initResult = -1234;

    const RuntimeError error =
        RaisedError([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Description(), "Failed to initialise the JPEG library: -1234");
    EXPECT_EQ(error.HelpContext(), 0);
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(Ticks(FindData(path).ftLastWriteTime), kOldWriteTicks);
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
    const Surface picture(608, 96, Blocks, 0);
    LibraryCalls calls;
    LibraryCalls::writeResult = GetParam().encoderResult;
    std::optional<ScopedFileSizeLimit> limit;
    if (GetParam().fileSizeLimit != 0) {
        limit.emplace(GetParam().fileSizeLimit);
    }

    const RuntimeError error =
        RaisedError([&] { mJPEGEncoder::SavePictureAsJpeg(picture, path, 90); });
    limit.reset();
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_EQ(error.Description().rfind("Failed to save to JPG -", 0), 0u) << error.Description();
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(Ticks(FindData(path).ftLastWriteTime), kOldWriteTicks);
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
        RaisedError([&] { mJPEGEncoder::SavePictureAsJpeg(picture, dir / "empty.jpg", 90); });
    EXPECT_EQ(error.Number(), 26001);
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

// The copy of the picture that is written cannot be made, as when memory has run out.
TEST(SavePictureAsJpeg, APictureMemoryCannotCopyIsOutOfMemoryAndWritesNothing) {
    TempDir dir;
    const Surface picture(608, 96, Blocks, 0);
    const orvane::platform::ScopedBitmapLimit limit(1000);
    LibraryCalls calls;
    const RuntimeError error =
        RaisedError([&] { mJPEGEncoder::SavePictureAsJpeg(picture, dir / "out.jpg", 90); });
    EXPECT_EQ(error.Number(), 7);
    EXPECT_TRUE(FolderEntries(dir.path()).empty());
    EXPECT_EQ(calls.writes, 0);
}

TEST(WriteJpegFile, AQualityTheEncoderRefusesComesBackAsTheWriteError) {
    TempDir dir;
    const Surface picture(16, 16, Blocks, 0);
    const Buffer buffer = BufferOf(picture);
    const RuntimeError error =
        RaisedError([&] { mJPEGEncoder::WriteJpegFile(*buffer, dir / "q.jpg", 101); });
    EXPECT_EQ(error.Description(), "Failed to save to JPG " + std::to_string(JENC_ERR_QUALITY));
    EXPECT_TRUE(mJPEGEncoder::WriteJpegFile(*buffer, dir / "q.jpg", 100));
    ExpectJpegOf(dir / "q.jpg", picture, 0);
}

}  // namespace
