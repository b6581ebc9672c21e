// The two stages of the bilinear resampler, one row at a time. Internal to dib/; declared here so
// that the tests can hold the vector kernel against the portable one.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/windef.h"

namespace orvane::detail {

// Where one destination column (or row) samples the source: the near and far source column
// (row), already multiplied by unit, and their weights. The weights are formed in single
// precision and only then widened, so the products see exactly the single-precision values.
struct Tap {
    std::ptrdiff_t near;
    std::ptrdiff_t far;
    double nearWeight;
    double farWeight;

    bool operator==(const Tap&) const = default;
};

// One tap for each of destSize positions over a source of sourceSize (both at least 1).
std::vector<Tap> MakeTaps(LONG sourceSize, LONG destSize, std::ptrdiff_t unit);

// First stage: two source rows blended channel by channel into rounded values, count of them.
void BlendRows(const BYTE* near, const BYTE* far, double nearWeight, double farWeight, double* out,
               std::size_t count);

// Second stage: the blended row sampled at each of width destination columns, three bytes each.
// blended holds one spare value after the row. Picks the vector kernel where the processor has
// it.
void BlendColumns(const double* blended, const Tap* columns, BYTE* out, std::size_t width);
void BlendColumnsPortable(const double* blended, const Tap* columns, BYTE* out, std::size_t width);
// Null where this build or this processor has no vector kernel.
using BlendColumnsKernel = void (*)(const double*, const Tap*, BYTE*, std::size_t);
BlendColumnsKernel VectorBlendColumns();

}  // namespace orvane::detail
