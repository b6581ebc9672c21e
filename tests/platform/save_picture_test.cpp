#include "platform/save_picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImage>
#include <QString>
#include <cstring>
#include <filesystem>

#include "platform/gdi.h"
#include "tests/support/file_conditions.h"
#include "tests/support/picture_compare.h"
#include "tests/support/qimage_view.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::platform::SavePicture;
using namespace orvane::testing;
using Strings = std::vector<std::string>;

template <class T>
T FieldAt(const std::string& bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

struct PictureCase {
    const char* name;
    int width;
    int height;
    BitmapKind kind;
    DWORD fileBytes;  // the 54-byte headers, then rows of 3 bytes a pixel padded to 4
};

class SavePictureRoundTrip : public ::testing::TestWithParam<PictureCase> {};

TEST_P(SavePictureRoundTrip, QImageReadsBackEveryPixel) {
    const PictureCase& c = GetParam();
    TempDir dir;
    const std::string name = dir / "out.bmp";
    WriteFile(name, std::string(100'000, 'o'));  // longer than the new file: it must go entirely
    const Surface picture(c.width, c.height, Distinct, 0, c.kind);

    SavePicture(picture.bitmap(), name);

    const std::string bytes = ReadFile(name);
    ASSERT_EQ(bytes.size(), c.fileBytes);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(FieldAt<DWORD>(bytes, 2), c.fileBytes);  // bfSize
    EXPECT_EQ(FieldAt<DWORD>(bytes, 10), 54u);         // bfOffBits
    EXPECT_EQ(FieldAt<LONG>(bytes, 22), c.height);     // positive: rows bottom-up
    EXPECT_EQ(FieldAt<WORD>(bytes, 28), 24);           // bits per pixel
    EXPECT_EQ(FieldAt<DWORD>(bytes, 30), BI_RGB);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});

    const QImage image(QString::fromStdString(name), "BMP");
    EXPECT_TRUE(PicturesNear(ViewOf(image), Painted(c.width, c.height, Distinct, 0)));
}

// Widths 1, 2, 3 and 5 need 1, 2, 3 and 1 bytes of padding per row; 33 needs 1 after 99 bytes.
constexpr BitmapKind kDdb = BitmapKind::Compatible, kDib = BitmapKind::DibSection;
INSTANTIATE_TEST_SUITE_P(Sizes, SavePictureRoundTrip,
                         ::testing::Values(PictureCase{"w1", 1, 7, kDdb, 54 + 7 * 4},
                                           PictureCase{"w2", 2, 7, kDdb, 54 + 7 * 8},
                                           PictureCase{"w3", 3, 7, kDdb, 54 + 7 * 12},
                                           PictureCase{"w5", 5, 7, kDdb, 54 + 7 * 16},
                                           PictureCase{"w33", 33, 9, kDdb, 54 + 9 * 100},
                                           PictureCase{"w33_dib_section", 33, 9, kDib,
                                                       54 + 9 * 100},
                                           PictureCase{"w5_dib_section", 5, 1, kDib, 54 + 16}),
                         RowName());

TEST(SavePicture, RefusesNoPictureOrAForeignOrDeletedHandleWithoutTouchingTheFile) {
    TempDir dir;
    const std::string name = dir / "out.bmp";
    WriteFile(name, "old");
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP deleted = CreateCompatibleBitmap(dc, 4, 4);
    ASSERT_EQ(DeleteObject(deleted), TRUE);

    EXPECT_EQ(RaisedNumber([&] { SavePicture(nullptr, name); }), 481);
    EXPECT_EQ(RaisedNumber([&] { SavePicture(reinterpret_cast<HBITMAP>(dc), name); }), 481);
    EXPECT_EQ(RaisedNumber([&] { SavePicture(deleted, name); }), 481);
    EXPECT_EQ(RaisedNumber([&] { SavePicture(nullptr, dir / "new.bmp"); }), 481);
    EXPECT_EQ(ReadFile(name), "old");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
    DeleteDC(dc);
}

TEST(SavePicture, AReadOnlyTargetAMissingFolderOrAFailedWriteLoseNothing) {
    TempDir dir;
    const std::string name = dir / "out.bmp";
    WriteFile(name, "old");
    const Surface picture(100, 100, Distinct, 0);

    {
        ScopedFileSizeLimit limit(10'000);  // the bitmap needs 30 054 bytes
        const int error = RaisedNumber([&] { SavePicture(picture.bitmap(), name); });
        EXPECT_TRUE(error == 61 || error == 57) << error;
    }
    EXPECT_EQ(RaisedNumber([&] { SavePicture(picture.bitmap(), dir / "no/out.bmp"); }), 76);
    fs::permissions(name, fs::perms(0444));
    EXPECT_EQ(RaisedNumber([&] { SavePicture(picture.bitmap(), name); }), 75);

    EXPECT_EQ(ReadFile(name), "old");
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});
}

}  // namespace
