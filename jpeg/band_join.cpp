#include "jpeg/band_join.h"

#include <algorithm>

namespace jenc {
namespace {

constexpr unsigned char kMarker = 0xFF;
constexpr unsigned char kSOF0 = 0xC0;
constexpr unsigned char kDHT = 0xC4;
constexpr unsigned char kRST0 = 0xD0;
constexpr unsigned char kSOI = 0xD8;
constexpr unsigned char kEOI = 0xD9;
constexpr unsigned char kSOS = 0xDA;
constexpr unsigned char kDRI = 0xDD;

unsigned char HighByte(std::uint16_t value) {
    return static_cast<unsigned char>(value >> 8);
}

unsigned char LowByte(std::uint16_t value) {
    return static_cast<unsigned char>(value & 0xFF);
}

// The layout of a baseline JPEG with one scan and no restarts, the only kind of band that can be
// joined; anything else gives nothing.
std::optional<BandLayout> LayoutOf(std::span<const unsigned char> jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != kMarker || jpeg[1] != kSOI) {
        return std::nullopt;
    }
    BandLayout layout;
    std::size_t at = 2;
    while (layout.data == 0 && at + 4 <= jpeg.size() && jpeg[at] == kMarker) {
        const unsigned char marker = jpeg[at + 1];
        const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        const bool otherFrame = marker > kSOF0 && marker <= 0xCF && marker != kDHT;
        if (length < 2 || at + 2 + length > jpeg.size() || otherFrame || marker == kDRI) {
            return std::nullopt;
        }
        if (marker == kSOF0 && length >= 8) {
            layout.frameHeight = at + 5;
        }
        if (marker == kSOS) {
            layout.scan = at;
            layout.data = at + 2 + length;
        }
        at += 2 + length;
    }
    layout.end = jpeg.size() - 2;
    if (layout.frameHeight == 0 || layout.data == 0 || layout.data > layout.end ||
        jpeg[layout.end] != kMarker || jpeg[layout.end + 1] != kEOI) {
        return std::nullopt;
    }
    return layout;
}

}  // namespace

std::optional<BandJoin> BandJoin::Start(std::span<const unsigned char> firstBand,
                                        std::uint16_t height, std::uint16_t restartInterval,
                                        int bandCount) {
    const std::optional<BandLayout> first = LayoutOf(firstBand);
    if (!first) {
        return std::nullopt;
    }
    return BandJoin(firstBand, *first, height, restartInterval, bandCount);
}

BandJoin::BandJoin(std::span<const unsigned char> firstBand, const BandLayout& first,
                   std::uint16_t height, std::uint16_t restartInterval, int bandCount)
    : firstHeaders_(firstBand.begin(), firstBand.begin() + static_cast<std::ptrdiff_t>(first.data)),
      first_(first),
      bandCount_(bandCount) {
    const auto scan = firstHeaders_.begin() + static_cast<std::ptrdiff_t>(first.scan);
    headers_.assign(firstHeaders_.begin(), scan);
    headers_[first.frameHeight] = HighByte(height);
    headers_[first.frameHeight + 1] = LowByte(height);
    headers_.insert(headers_.end(),
                    {kMarker, kDRI, 0, 4, HighByte(restartInterval), LowByte(restartInterval)});
    headers_.insert(headers_.end(), scan, firstHeaders_.end());
}

std::optional<std::span<const unsigned char>> BandJoin::Data(std::span<unsigned char> band,
                                                             int index) const {
    const std::optional<BandLayout> layout = LayoutOf(band);
    if (!layout || layout->frameHeight != first_.frameHeight || layout->data != first_.data) {
        return std::nullopt;
    }
    const auto height = static_cast<std::ptrdiff_t>(first_.frameHeight);
    const auto data = static_cast<std::ptrdiff_t>(first_.data);
    if (!std::equal(band.begin(), band.begin() + height, firstHeaders_.begin()) ||
        !std::equal(band.begin() + height + 2, band.begin() + data,
                    firstHeaders_.begin() + height + 2)) {
        return std::nullopt;
    }
    if (index + 1 < bandCount_) {
        band[layout->end + 1] = static_cast<unsigned char>(kRST0 + index % 8);
    }
    return band.subspan(layout->data);
}

}  // namespace jenc
