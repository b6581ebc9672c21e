// Which canvas pixels a tileset left see-through: one bit a pixel, so the largest mosaic (608 x
// 55 200 pixels, 100 MB of canvas) needs 4 MB more. The canvas itself cannot tell: a see-through
// pixel shows its background colour, which a tile may also use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::tileset {

class SeeThroughMask {
  public:
    SeeThroughMask() = default;
    // width x height pixels, none see-through. Raises std::bad_alloc when memory is short.
    SeeThroughMask(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }

    void Set(int x, int y) { words_[Word(x, y)] |= std::uint64_t{1} << (x & 63); }
    // False outside the mask.
    bool Test(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            return false;
        }
        return ((words_[Word(x, y)] >> (x & 63)) & 1U) != 0;
    }
    // The bits of pixels x to x + 31 of row y, pixel x the lowest; x a multiple of 32 (a tile's
    // left edge), the row inside the mask.
    std::uint32_t Bits32(int x, int y) const {
        return static_cast<std::uint32_t>(words_[Word(x, y)] >> (x & 63));
    }
    // Whether row y holds a see-through pixel at all: most rows of most tilesets hold none, and a
    // painter can then skip the test pixel by pixel.
    bool RowHasAny(int y) const;

  private:
    std::size_t Word(int x, int y) const {
        return static_cast<std::size_t>(y) * wordsPerRow_ + static_cast<std::size_t>(x >> 6);
    }

    int width_ = 0;
    int height_ = 0;
    std::size_t wordsPerRow_ = 0;
    std::vector<std::uint64_t> words_;
};

}  // namespace orvane::tileset
