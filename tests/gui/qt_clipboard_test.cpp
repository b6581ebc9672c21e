// The desktop's clipboard behind the program's: a cDIBSection copied to the clipboard arrives in
// Qt's clipboard as an upright image.
#include "gui/qt_clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <vector>

#include "dib/cdibsection.h"

namespace {

using orvane::cDIBSection;
using orvane::gui::QtClipboardSink;
using orvane::gui::ToQImage;
using orvane::platform::BitmapBits;
using orvane::platform::SetClipboardSink;

// Every pixel of a 5 x 3 picture different, so a flipped, mirrored or shifted row shows; 5 pixels
// make 15 bytes a row, padded to 16.
constexpr int kWidth = 5;
constexpr int kHeight = 3;

QRgb Expected(int x, int y) {
    return qRgb(10 + x * 40, 20 + y * 70, 200 - x * 10 - y * 30);
}

// Fills a buffer so that picture row y (from the top) holds Expected(x, y).
void Paint(cDIBSection& dib) {
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row =
            dib.DIBSectionBitsPtr() + std::ptrdiff_t{kHeight - 1 - y} * dib.BytesPerScanLine();
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<BYTE>(qBlue(Expected(x, y)));
            row[3 * x + 1] = static_cast<BYTE>(qGreen(Expected(x, y)));
            row[3 * x + 2] = static_cast<BYTE>(qRed(Expected(x, y)));
        }
    }
}

void ExpectPicture(const QImage& image) {
    ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            EXPECT_EQ(image.pixel(x, y), Expected(x, y)) << "at (" << x << ", " << y << ")";
        }
    }
}

class QtClipboard : public ::testing::Test {
  protected:
    QtClipboard() : app_(argc_, argv_) {
        EXPECT_TRUE(dib_.Create(kWidth, kHeight));
        Paint(dib_);
    }

    int argc_ = 1;
    char name_[20] = "qt_clipboard_test";
    char* argv_[2] = {name_, nullptr};
    QGuiApplication app_;
    cDIBSection dib_;
};

TEST_F(QtClipboard, ABitmapCopiedInTheProgramReachesTheDesktopUpright) {
    const QtClipboardSink sink;
    QGuiApplication::clipboard()->clear();

    ASSERT_TRUE(dib_.CopyToClipboard(false));

    ExpectPicture(QGuiApplication::clipboard()->image());
}

TEST_F(QtClipboard, TheSinkGoesWithItsScopeAndThePreviousOneComesBack) {
    int earlierCalls = 0;
    SetClipboardSink([&](const BitmapBits&) { ++earlierCalls; });
    {
        const QtClipboardSink sink;
        ASSERT_TRUE(dib_.CopyToClipboard(false));
        EXPECT_EQ(earlierCalls, 0);
    }
    QGuiApplication::clipboard()->clear();

    ASSERT_TRUE(dib_.CopyToClipboard(false));

    EXPECT_EQ(earlierCalls, 1);
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
    SetClipboardSink(nullptr);
}

// The conversion alone, on rows that outlive nothing: the image must own its pixels.
TEST(ToQImage, CopiesPaddedBottomUpRowsIntoAnUprightImageOfItsOwn) {
    constexpr int kStride = 16;
    std::vector<BYTE> rows(kStride * kHeight, 0xEE);  // filler bytes must not show
    for (int y = 0; y < kHeight; ++y) {
        BYTE* row = rows.data() + (kHeight - 1 - y) * kStride;
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x] = static_cast<BYTE>(qBlue(Expected(x, y)));
            row[3 * x + 1] = static_cast<BYTE>(qGreen(Expected(x, y)));
            row[3 * x + 2] = static_cast<BYTE>(qRed(Expected(x, y)));
        }
    }

    const QImage image = ToQImage(BitmapBits{rows.data(), kWidth, kHeight, kStride});
    std::fill(rows.begin(), rows.end(), BYTE{0});

    ExpectPicture(image);
    EXPECT_TRUE(ToQImage(BitmapBits{nullptr, kWidth, kHeight, kStride}).isNull());
    EXPECT_TRUE(ToQImage(BitmapBits{rows.data(), 0, kHeight, 0}).isNull());
    EXPECT_TRUE(ToQImage(BitmapBits{rows.data(), kWidth, kHeight, 3}).isNull()) << "rows too short";
}

}  // namespace
