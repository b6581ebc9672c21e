// Joins the JPEGs of a picture's bands into the one JPEG of the whole picture.
//
// Each band is a baseline JPEG of its own, compressed with the same settings and standard Huffman
// tables, so that its headers differ from the first band's only in the frame's height. The joined
// file is the first band's headers with the whole picture's height and a restart interval (DRI)
// of one band put in before the scan header, then each band's entropy-coded data in turn. A
// band's EOI becomes the restart marker that ends its interval (RST0..RST7, then RST0 again), so
// that each band goes out in one piece; the last band's EOI stays and ends the file. A restart
// resets the DC prediction just as the start of a band's own scan did, so the joined file
// decodes to exactly the pixels of the whole picture compressed at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace jenc {

// Where the parts of a band's JPEG lie, as offsets into it.
struct BandLayout {
    std::size_t frameHeight = 0;  // the frame header's two bytes of height
    std::size_t scan = 0;         // the scan header
    std::size_t data = 0;         // the entropy-coded data, which runs up to the final EOI
    std::size_t end = 0;          // the final EOI
};

class BandJoin {
  public:
    // Starts from the first band's JPEG, for a picture `height` rows tall in `bandCount` bands
    // of `restartInterval` MCUs each (the last may be shorter). Nothing when the band is not one
    // that can be joined.
    static std::optional<BandJoin> Start(std::span<const unsigned char> firstBand,
                                         std::uint16_t height, std::uint16_t restartInterval,
                                         int bandCount);

    // What the joined file begins with: the headers up to the entropy-coded data.
    std::span<const unsigned char> Headers() const { return headers_; }

    // What follows in the joined file for band `index` (from 0, the first band included): its
    // entropy-coded data, ending in the restart marker that its EOI has been turned into, in
    // place, or in that EOI for the last band. Nothing when the band's headers are not the first
    // band's but for the height: its data would mean something else in the joined scan.
    std::optional<std::span<const unsigned char>> Data(std::span<unsigned char> band,
                                                       int index) const;

  private:
    BandJoin(std::span<const unsigned char> firstBand, const BandLayout& first,
             std::uint16_t height, std::uint16_t restartInterval, int bandCount);

    std::vector<unsigned char> firstHeaders_;  // the first band's own, up to its data
    BandLayout first_;
    std::vector<unsigned char> headers_;
    int bandCount_;
};

}  // namespace jenc
