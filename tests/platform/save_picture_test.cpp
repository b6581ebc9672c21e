#include "platform/save_picture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <cstring>
#include <filesystem>

#include "platform/gdi.h"
#include "tests/support/file_conditions.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::platform::SavePicture;
using orvane::testing::FolderEntries;
using orvane::testing::RaisedNumber;
using orvane::testing::ReadFile;
using orvane::testing::RowName;
using orvane::testing::ScopedFileSizeLimit;
using orvane::testing::TempDir;
using orvane::testing::WriteFile;
using Strings = std::vector<std::string>;

// Neighbouring pixels, rows and columns all differ, so a swapped, mirrored or shifted row shows.
COLORREF PixelColour(int x, int y) {
    return RGB(static_cast<BYTE>(x * 37 + y * 11), static_cast<BYTE>(x * 5 + y * 53 + 17),
               static_cast<BYTE>(x * y + 3 * y + 101));
}

// A memory DC with a painted picture selected, as the canvas holds its persistent picture.
class Picture {
  public:
    Picture(int width, int height, bool dibSection) : dc_(CreateCompatibleDC(nullptr)) {
        if (dibSection) {
            BITMAPINFO info{};
            info.bmiHeader = {
                sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        } else {
            bitmap_ = CreateCompatibleBitmap(dc_, width, height);
        }
        old_ = SelectObject(dc_, bitmap_);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                SetPixelV(dc_, x, y, PixelColour(x, y));
            }
        }
    }
    ~Picture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HBITMAP bitmap() const { return bitmap_; }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

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
    bool dibSection;
};

class SavePictureRoundTrip : public ::testing::TestWithParam<PictureCase> {};

TEST_P(SavePictureRoundTrip, QImageReadsBackEveryPixel) {
    const PictureCase& c = GetParam();
    TempDir dir;
    const std::string name = dir / "out.bmp";
    WriteFile(name, std::string(100'000, 'o'));  // longer than the new file: it must go entirely
    const Picture picture(c.width, c.height, c.dibSection);

    SavePicture(picture.bitmap(), name);

    const std::string bytes = ReadFile(name);
    const std::size_t rowBytes = (3 * c.width + 3) / 4 * 4;  // 3 bytes a pixel, 4-byte rows
    const std::size_t imageBytes = rowBytes * c.height;
    ASSERT_EQ(bytes.size(), 54 + imageBytes);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(FieldAt<DWORD>(bytes, 2), 54 + imageBytes);  // bfSize
    EXPECT_EQ(FieldAt<DWORD>(bytes, 10), 54u);             // bfOffBits
    EXPECT_EQ(FieldAt<LONG>(bytes, 22), c.height);         // positive: rows bottom-up
    EXPECT_EQ(FieldAt<WORD>(bytes, 28), 24);               // bits per pixel
    EXPECT_EQ(FieldAt<DWORD>(bytes, 30), BI_RGB);
    EXPECT_EQ(FolderEntries(dir.path()), Strings{"out.bmp"});

    const QImage image(QString::fromStdString(name), "BMP");
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), c.width);
    ASSERT_EQ(image.height(), c.height);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const QColor read = image.pixelColor(x, y);
            const COLORREF want = PixelColour(x, y);
            ASSERT_EQ(RGB(static_cast<BYTE>(read.red()), static_cast<BYTE>(read.green()),
                          static_cast<BYTE>(read.blue())),
                      want)
                << "first differing pixel at (" << x << ", " << y << ")";
        }
    }
}

// Widths 1, 2, 3 and 5 need 1, 2, 3 and 1 bytes of padding per row; 33 needs 1 after 99 bytes.
INSTANTIATE_TEST_SUITE_P(
    Sizes, SavePictureRoundTrip,
    ::testing::Values(PictureCase{"w1", 1, 7, false}, PictureCase{"w2", 2, 7, false},
                      PictureCase{"w3", 3, 7, false}, PictureCase{"w5", 5, 7, false},
                      PictureCase{"w33", 33, 9, false}, PictureCase{"w33_dib_section", 33, 9, true},
                      PictureCase{"w5_dib_section", 5, 1, true}),
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
    const Picture picture(100, 100, false);

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
