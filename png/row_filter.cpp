#include "png/row_filter.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

namespace orvane::png {
namespace {

// Bytes a pixel: the filters predict each byte from the same channel of the pixel to the left.
constexpr std::size_t kPixelBytes = 4;

enum FilterType : std::uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// The loops below are plain byte arithmetic that the compiler turns into vector instructions;
// each returns the heuristic's cost of its output.
std::uint32_t Magnitudes(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t sum = 0;
    // A byte taken as signed: its distance from 0 one way or the other round.
    for (std::size_t i = 0; i < count; ++i) {
        sum += bytes[i] < 128 ? bytes[i] : 256U - bytes[i];
    }
    return sum;
}

std::uint32_t Sub(const std::uint8_t* row, std::uint8_t* out, std::size_t count) {
    std::copy_n(row, kPixelBytes, out);
    for (std::size_t i = kPixelBytes; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(row[i] - row[i - kPixelBytes]);
    }
    return Magnitudes(out, count);
}

std::uint32_t Up(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out,
                 std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(row[i] - above[i]);
    }
    return Magnitudes(out, count);
}

std::uint32_t Average(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out,
                      std::size_t count) {
    for (std::size_t i = 0; i < kPixelBytes; ++i) {
        out[i] = static_cast<std::uint8_t>(row[i] - (above[i] >> 1));
    }
    for (std::size_t i = kPixelBytes; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(row[i] - ((row[i - kPixelBytes] + above[i]) >> 1));
    }
    return Magnitudes(out, count);
}

// GCC's and Clang's own vectors, which each compiler turns into the processor's instructions:
// eight bytes at a time as 16-bit lanes, room for the predictor's sums and differences, to filter;
// a pixel's four bytes as 32-bit lanes, to undo Paeth's filter a pixel at a time.
using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Lanes8 = std::int16_t __attribute__((vector_size(16)));
using Bytes4 = std::uint8_t __attribute__((vector_size(4)));
using Lanes4 = std::int32_t __attribute__((vector_size(16)));

template <class Bytes, class Lanes>
Lanes Widen(const std::uint8_t* from) {
    Bytes bytes;
    std::memcpy(&bytes, from, sizeof bytes);
    return __builtin_convertvector(bytes, Lanes);
}

template <class Lanes>
Lanes Magnitude(Lanes value) {
    return value < 0 ? -value : value;
}

// Paeth's predictor: of the neighbours left (a), above (b) and above left (c), the one nearest to
// a + b - c, in that order of preference.
template <class Lanes>
Lanes PaethPredictor(Lanes a, Lanes b, Lanes c) {
    const Lanes pa = Magnitude(b - c);
    const Lanes pb = Magnitude(a - c);
    const Lanes pc = Magnitude(a + b - c - c);
    const Lanes nearer = pb <= pc ? b : c;
    return ((pa <= pb) & (pa <= pc)) ? a : nearer;
}

std::uint32_t Paeth(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out,
                    std::size_t count) {
    // No pixel to the left: the predictor is the byte above.
    for (std::size_t i = 0; i < kPixelBytes; ++i) {
        out[i] = static_cast<std::uint8_t>(row[i] - above[i]);
    }
    // Rows are whole pixels, so the eights end where the row does or 4 bytes before.
    std::size_t i = kPixelBytes;
    for (; i + sizeof(Bytes8) <= count; i += sizeof(Bytes8)) {
        const Lanes8 predicted = PaethPredictor(Widen<Bytes8, Lanes8>(row + i - kPixelBytes),
                                                Widen<Bytes8, Lanes8>(above + i),
                                                Widen<Bytes8, Lanes8>(above + i - kPixelBytes));
        const auto filtered =
            __builtin_convertvector(Widen<Bytes8, Lanes8>(row + i) - predicted, Bytes8);
        std::memcpy(out + i, &filtered, sizeof filtered);
    }
    for (; i < count; ++i) {
        const Lanes8 predicted = PaethPredictor(Lanes8{row[i - kPixelBytes]}, Lanes8{above[i]},
                                                Lanes8{above[i - kPixelBytes]});
        out[i] = static_cast<std::uint8_t>(row[i] - predicted[0]);
    }
    return Magnitudes(out, count);
}

// The rows' filter outputs tried one after another, the cheapest kept.
class Trials {
  public:
    explicit Trials(std::size_t rowBytes) : rowBytes_(rowBytes), buffer_(2 * rowBytes) {}

    // Filters row into out (a type byte, then the row): the cheapest of the filters its place
    // allows, ties going to the earlier of None, Up, Sub, Average, Paeth.
    void Choose(const std::uint8_t* row, const std::uint8_t* above, std::uint8_t* out) {
        std::uint8_t* best = buffer_.data();
        std::uint8_t* trial = best + rowBytes_;
        std::copy_n(row, rowBytes_, best);
        std::uint8_t type = kNone;
        std::uint32_t least = Magnitudes(row, rowBytes_);
        const auto keep = [&](std::uint8_t filter, std::uint32_t cost) {
            if (cost < least) {
                least = cost;
                type = filter;
                std::swap(best, trial);
            }
        };
        if (above != nullptr && least > 0) {
            keep(kUp, Up(row, above, trial, rowBytes_));
        }
        if (least > 0) {
            keep(kSub, Sub(row, trial, rowBytes_));
        }
        if (above != nullptr && least > 0) {
            keep(kAverage, Average(row, above, trial, rowBytes_));
        }
        if (above != nullptr && least > 0) {
            keep(kPaeth, Paeth(row, above, trial, rowBytes_));
        }
        out[0] = type;
        std::copy_n(best, rowBytes_, out + 1);
    }

  private:
    std::size_t rowBytes_;
    std::vector<std::uint8_t> buffer_;  // the best output so far, and the one being tried
};

// Each byte adds its prediction back; the left neighbour is the byte just made, so a row is
// undone in order, four bytes (a pixel) at a time.
void Unfilter(std::uint8_t type, const std::uint8_t* from, const std::uint8_t* above,
              std::uint8_t* row, std::size_t count) {
    switch (type) {
        case kSub:
            std::copy_n(from, kPixelBytes, row);
            for (std::size_t i = kPixelBytes; i < count; ++i) {
                row[i] = static_cast<std::uint8_t>(from[i] + row[i - kPixelBytes]);
            }
            return;
        case kUp:
            for (std::size_t i = 0; i < count; ++i) {
                row[i] = static_cast<std::uint8_t>(from[i] + above[i]);
            }
            return;
        case kAverage:
            for (std::size_t i = 0; i < kPixelBytes; ++i) {
                row[i] = static_cast<std::uint8_t>(from[i] + (above[i] >> 1));
            }
            for (std::size_t i = kPixelBytes; i < count; ++i) {
                row[i] =
                    static_cast<std::uint8_t>(from[i] + ((row[i - kPixelBytes] + above[i]) >> 1));
            }
            return;
        case kPaeth: {
            for (std::size_t i = 0; i < kPixelBytes; ++i) {
                row[i] = static_cast<std::uint8_t>(from[i] + above[i]);
            }
            Lanes4 left = Widen<Bytes4, Lanes4>(row);
            for (std::size_t i = kPixelBytes; i < count; i += kPixelBytes) {
                left = (Widen<Bytes4, Lanes4>(from + i) +
                        PaethPredictor(left, Widen<Bytes4, Lanes4>(above + i),
                                       Widen<Bytes4, Lanes4>(above + i - kPixelBytes))) &
                       0xFF;
                const auto pixel = __builtin_convertvector(left, Bytes4);
                std::memcpy(row + i, &pixel, sizeof pixel);
            }
            return;
        }
        default:
            std::copy_n(from, count, row);
    }
}

}  // namespace

bool UnfilterRows(std::span<const std::uint8_t> filtered, std::size_t rowBytes,
                  std::span<std::uint8_t> rows) {
    assert(rowBytes % kPixelBytes == 0 && rowBytes > 0 && rows.size() % rowBytes == 0);
    const std::size_t count = rows.size() / rowBytes;
    assert(filtered.size() == FilteredBytes(count, rowBytes));
    for (std::size_t y = 0; y < count; ++y) {
        const std::uint8_t type = filtered[y * (rowBytes + 1)];
        if (type > kPaeth || (y == 0 && type != kNone && type != kSub)) {
            return false;
        }
        std::uint8_t* row = rows.data() + y * rowBytes;
        Unfilter(type, filtered.data() + y * (rowBytes + 1) + 1, y == 0 ? nullptr : row - rowBytes,
                 row, rowBytes);
    }
    return true;
}

void FilterRows(std::span<const std::uint8_t> rows, std::size_t rowBytes, Filtering filtering,
                std::span<std::uint8_t> out) {
    assert(rowBytes % kPixelBytes == 0 && rowBytes > 0 && rows.size() % rowBytes == 0);
    const std::size_t count = rows.size() / rowBytes;
    assert(out.size() == FilteredBytes(count, rowBytes));
    if (filtering == Filtering::None) {
        for (std::size_t y = 0; y < count; ++y) {
            out[y * (rowBytes + 1)] = kNone;
            std::copy_n(rows.data() + y * rowBytes, rowBytes, out.data() + y * (rowBytes + 1) + 1);
        }
        return;
    }
    Trials trials(rowBytes);
    for (std::size_t y = 0; y < count; ++y) {
        const std::uint8_t* row = rows.data() + y * rowBytes;
        trials.Choose(row, y == 0 ? nullptr : row - rowBytes, out.data() + y * (rowBytes + 1));
    }
}

}  // namespace orvane::png
