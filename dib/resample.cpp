#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "dib/cdibsection.h"
#include "dib/rounding.h"

namespace orvane {
namespace {

using detail::RoundHalfEven;

// Where one destination column (or row) samples the source: the near and far source
// column (row) and their weights. The weights are formed in single precision and only then
// widened, so the products below see exactly the single-precision values.
struct Tap {
    std::ptrdiff_t near;
    std::ptrdiff_t far;
    double nearWeight;
    double farWeight;

    bool operator==(const Tap&) const = default;
};

std::vector<Tap> MakeTaps(LONG sourceSize, LONG destSize, std::ptrdiff_t unit) {
    const auto scale = static_cast<float>(static_cast<double>(sourceSize - 1) / destSize);
    const LONG last = sourceSize - 1;
    std::vector<Tap> taps(static_cast<std::size_t>(destSize));
    for (LONG i = 0; i < destSize; ++i) {
        // The product of the index and the scale, rounded once to single precision; for indices
        // below 2^24 this is the single-precision product itself.
        const auto s = static_cast<float>(static_cast<double>(i) * scale);
        const float whole = std::floor(s);
        const float f = s - whole;
        // Only the single-precision rounding of sizes beyond 2^23 can carry a position past the
        // last source column or row; it is held there rather than read out of bounds.
        const LONG n = std::min(static_cast<LONG>(whole), last);
        const LONG next = std::min(n + 1, last);
        taps[static_cast<std::size_t>(i)] = {n * unit, next * unit, static_cast<double>(1.0f - f),
                                             static_cast<double>(f)};
    }
    return taps;
}

// First stage: two source rows blended into one row of rounded channel values, for every
// source column at once; each destination column then reads the two it needs.
void BlendRows(const BYTE* near, const BYTE* far, double nearWeight, double farWeight,
               double* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = RoundHalfEven(nearWeight * near[i] + farWeight * far[i]);
    }
}

// Second stage: the blended row sampled at every destination column.
void BlendColumns(const double* blended, const Tap* columns, BYTE* out, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x) {
        const Tap& tap = columns[x];
        const double* left = blended + tap.near;
        const double* right = blended + tap.far;
        for (int k = 0; k < 3; ++k) {
            const double v = RoundHalfEven(tap.nearWeight * left[k] + tap.farWeight * right[k]);
            out[3 * x + static_cast<std::size_t>(k)] =
                static_cast<BYTE>(std::clamp(v, 0.0, 255.0));
        }
    }
}

}  // namespace

std::shared_ptr<cDIBSection> cDIBSection::Resample(LONG lNewHeight, LONG lNewWidth) const {
    // An empty buffer may still report its last size; it has no pixels to read.
    if (memDC == nullptr || bitsPtr == nullptr) {
        return nullptr;
    }
    auto target = std::make_shared<cDIBSection>();
    if (!target->Create(lNewWidth, lNewHeight)) {
        return nullptr;
    }
    if (lNewWidth == Width() && lNewHeight == Height()) {
        target->LoadPictureBlt(memDC, 0, 0, -1, -1, SRCCOPY);
    } else {
        BilinearScaleTo(*target);
    }
    return target;
}

void cDIBSection::BilinearScaleTo(cDIBSection& target) const {
    const LONG ws = Width();
    const LONG hs = Height();
    const LONG wd = target.Width();
    const LONG hd = target.Height();
    if (ws <= 0 || hs <= 0 || wd <= 0 || hd <= 0 || bitsPtr == nullptr ||
        target.bitsPtr == nullptr) {
        return;
    }
    const std::vector<Tap> columns = MakeTaps(ws, wd, 3);
    const std::vector<Tap> rows = MakeTaps(hs, hd, 1);
    const std::size_t sourceBytes = 3 * static_cast<std::size_t>(ws);
    const std::size_t destBytes = 3 * static_cast<std::size_t>(wd);
    std::vector<double> blended(sourceBytes);

    for (LONG y = 0; y < hd; ++y) {
        const Tap& row = rows[static_cast<std::size_t>(y)];
        const std::span<BYTE> out = target.Scanline(y);
        // Rows that sample the source alike come out alike (every row, for a source 1 high).
        if (y > 0 && row == rows[static_cast<std::size_t>(y) - 1]) {
            std::memcpy(out.data(), target.Scanline(y - 1).data(), destBytes);
            continue;
        }
        BlendRows(Scanline(static_cast<LONG>(row.near)).data(),
                  Scanline(static_cast<LONG>(row.far)).data(), row.nearWeight, row.farWeight,
                  blended.data(), sourceBytes);
        BlendColumns(blended.data(), columns.data(), out.data(), static_cast<std::size_t>(wd));
    }
}

}  // namespace orvane
