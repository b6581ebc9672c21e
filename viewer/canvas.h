// The picture box Picture1: a canvas sized in twips that keeps what is painted on it in a
// persistent picture, a 24-bit DIB section selected into the canvas's own memory DC.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/bitmap_bits.h"
#include "platform/gdi_owners.h"
#include "platform/picture_box.h"
#include "platform/windef.h"

namespace orvane::viewer {

enum class ScaleMode : std::int16_t {
    Twips = 1,
    Pixels = 3,
};

inline constexpr float kTwipsPerPixel = 15;

// Twips to whole pixels, halves to the even neighbour.
int TwipsToPixels(double twips);

class Canvas final : public platform::PictureBox {
  public:
    // The design size, 2475 x 2295 twips, cleared to the background colour.
    Canvas();
    ~Canvas() override;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Sizes in twips. Setting one resizes the persistent picture at once: the pixels of the area
    // the old and new sizes share are kept, new pixels take the background colour. A negative
    // value raises InvalidPropertyValue (380) and changes nothing; a picture too large to make
    // raises OutOfMemory (7) and changes nothing.
    float Width() const { return static_cast<float>(pixelWidth_) * kTwipsPerPixel; }
    void Width(float twips);
    float Height() const { return static_cast<float>(pixelHeight_) * kTwipsPerPixel; }
    void Height(float twips);

    // Width and then Height, with one new picture instead of two: what a picture of the largest
    // size costs is paid once.
    void Size(float widthTwips, float heightTwips);
    // A new picture of the size, every pixel of it written by paint (its pixels hold anything
    // until then), which takes the old one's place only once paint returns. Should paint, or the
    // making of the picture, raise, the old picture stays as it was, and shown. The old and the
    // new picture are both held while paint runs.
    void Replace(float widthTwips, float heightTwips,
                 const std::function<void(const platform::BitmapBits&)>& paint);

    int PixelWidth() const { return pixelWidth_; }
    int PixelHeight() const { return pixelHeight_; }

    float ScaleX(float value, ScaleMode from, ScaleMode to) const;
    float ScaleY(float value, ScaleMode from, ScaleMode to) const;

    static constexpr COLORREF BackColor() { return RGB(240, 240, 240); }

    // Fills the persistent picture with the background colour.
    void Cls();
    // Tells the view to show the persistent picture as it now is.
    void Refresh();

    // 0 while the width or the height is 0: there is no picture then, and the DC holds its
    // default bitmap.
    HBITMAP Image() const override { return image_; }
    HDC hDC() const override { return dc_; }
    // The persistent picture's pixels, for the view to show straight from memory; empty while
    // there is no picture. A resize replaces them.
    const platform::BitmapBits& Bits() const { return bits_; }

    // Called after every Refresh, and after every resize (the view must drop what it knows of the
    // old picture: a resize replaces it).
    void OnRefresh(std::function<void()> listener) { refreshListener_ = std::move(listener); }
    void OnResize(std::function<void()> listener) { resizeListener_ = std::move(listener); }

  private:
    // A picture made for the DC but not yet selected into it; none for a width or height of 0.
    struct Fresh {
        platform::UniqueBitmap bitmap;
        platform::BitmapBits bits;
    };
    Fresh MakePicture(int width, int height) const;
    // fresh in place of the picture, which is deleted; then the view is told.
    void Install(Fresh fresh);
    void Resize(int width, int height);
    // Background over columns [x0, x1) of rows [y0, y1) of a picture.
    static void Fill(const platform::BitmapBits& bits, int x0, int x1, int y0, int y1);

    HDC dc_ = nullptr;
    HGDIOBJ defaultBitmap_ = nullptr;  // what dc_ held when it was made; back in while no picture
    HBITMAP image_ = nullptr;
    platform::BitmapBits bits_;  // of image_; empty while there is none
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
    std::function<void()> refreshListener_;
    std::function<void()> resizeListener_;
};

}  // namespace orvane::viewer
