#include "tileset/see_through_mask.h"

#include <algorithm>

namespace orvane::tileset {

SeeThroughMask::SeeThroughMask(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      wordsPerRow_((static_cast<std::size_t>(width_) + 63) / 64),
      words_(wordsPerRow_ * static_cast<std::size_t>(height_)) {}

bool SeeThroughMask::RowHasAny(int y) const {
    if (y < 0 || y >= height_) {
        return false;
    }
    const auto first = words_.begin() + static_cast<std::ptrdiff_t>(Word(0, y));
    return std::any_of(first, first + static_cast<std::ptrdiff_t>(wordsPerRow_),
                       [](std::uint64_t word) { return word != 0; });
}

}  // namespace orvane::tileset
