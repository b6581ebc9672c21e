#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "dib/cdibsection.h"
#include "dib/resample_kernels.h"
#include "dib/rounding.h"
#include "platform/cpu_features.h"

// On x86-64 the hot loops also come in an AVX2 build, used on a processor that has it; the
// results are the same to the bit, as no fused multiply-add is used.
#if defined(__x86_64__) && defined(__GNUC__)
#define ORVANE_X86_VECTOR 1
#else
#define ORVANE_X86_VECTOR 0
#endif

namespace orvane {
namespace detail {

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

namespace {

// A run of source columns at once, whether or not every destination column reads each: a
// straight loop that vectorises, and each destination column then finds its two values ready.
[[gnu::always_inline]] inline void BlendRowsLoop(const BYTE* near, const BYTE* far,
                                                 double nearWeight, double farWeight, double* out,
                                                 std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = RoundHalfEven(nearWeight * near[i] + farWeight * far[i]);
    }
}

void BlendRowsPortable(const BYTE* near, const BYTE* far, double nearWeight, double farWeight,
                       double* out, std::size_t count) {
    BlendRowsLoop(near, far, nearWeight, farWeight, out, count);
}

#if ORVANE_X86_VECTOR
[[gnu::target("avx2")]] void BlendRowsAvx2(const BYTE* near, const BYTE* far, double nearWeight,
                                           double farWeight, double* out, std::size_t count) {
    BlendRowsLoop(near, far, nearWeight, farWeight, out, count);
}
#endif

}  // namespace

void BlendRows(const BYTE* near, const BYTE* far, double nearWeight, double farWeight, double* out,
               std::size_t count) {
#if ORVANE_X86_VECTOR
    if (platform::CpuHas(platform::CpuFeature::Avx2)) {
        BlendRowsAvx2(near, far, nearWeight, farWeight, out, count);
        return;
    }
#endif
    BlendRowsPortable(near, far, nearWeight, farWeight, out, count);
}

void BlendColumnsPortable(const double* blended, const Tap* columns, BYTE* out, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x) {
        const Tap& tap = columns[x];
        const double* left = blended + tap.near;
        const double* right = blended + tap.far;
        for (std::size_t k = 0; k < 3; ++k) {
            const double v = RoundHalfEven(tap.nearWeight * left[k] + tap.farWeight * right[k]);
            out[3 * x + k] = static_cast<BYTE>(std::clamp(v, 0.0, 255.0));
        }
    }
}

#if ORVANE_X86_VECTOR

namespace {

using Double4 = double __attribute__((vector_size(32)));
using Int4 = int __attribute__((vector_size(16)));
using Byte16 = unsigned char __attribute__((vector_size(16)));
using Byte4 = unsigned char __attribute__((vector_size(4)));

// A pixel's three channels share the two weights, so they go through as one four-lane vector;
// the fourth lane (the next pixel's blue, or the spare value after the row) is thrown away.
__attribute__((target("avx2"))) void BlendColumnsAvx2(const double* blended, const Tap* columns,
                                                      BYTE* out, std::size_t width) {
    const Double4 zero = Double4{};
    const Double4 top = zero + 255.0;
    for (std::size_t x = 0; x < width; ++x) {
        const Tap& tap = columns[x];
        Double4 left;
        Double4 right;
        std::memcpy(&left, blended + tap.near, sizeof left);
        std::memcpy(&right, blended + tap.far, sizeof right);
        Double4 v =
            (tap.nearWeight * left + tap.farWeight * right + kRoundingShift) - kRoundingShift;
        v = v < zero ? zero : v;
        v = v > top ? top : v;
        // The low byte of each lane; __builtin_shufflevector is the form both GCC and Clang know.
        const auto lanes = std::bit_cast<Byte16>(__builtin_convertvector(v, Int4));
        const Byte4 bytes = __builtin_shufflevector(lanes, lanes, 0, 4, 8, 12);
        // Four bytes, the fourth to be overwritten by the next pixel; the last pixel of the row
        // stops short of the filler.
        if (x + 1 < width) {
            std::memcpy(out + 3 * x, &bytes, 4);
        } else {
            std::memcpy(out + 3 * x, &bytes, 3);
        }
    }
}

}  // namespace

BlendColumnsKernel VectorBlendColumns() {
    return platform::CpuHas(platform::CpuFeature::Avx2) ? &BlendColumnsAvx2 : nullptr;
}

#else

BlendColumnsKernel VectorBlendColumns() {
    return nullptr;
}

#endif

void BlendColumns(const double* blended, const Tap* columns, BYTE* out, std::size_t width) {
    const BlendColumnsKernel vector = VectorBlendColumns();
    (vector != nullptr ? vector : &BlendColumnsPortable)(blended, columns, out, width);
}

}  // namespace detail

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
    const std::vector<detail::Tap> columns = detail::MakeTaps(ws, wd, 3);
    const std::vector<detail::Tap> rows = detail::MakeTaps(hs, hd, 1);
    const std::size_t sourceBytes = 3 * static_cast<std::size_t>(ws);
    const std::size_t destBytes = 3 * static_cast<std::size_t>(wd);
    std::vector<double> blended(sourceBytes + 1);
    // Only the source columns that some destination column reads are blended, in runs: one run
    // of nearly the whole row when scaling up, a short run per destination column when scaling a
    // wide picture down, whose rows would otherwise cost their full width every time.
    struct Run {
        std::size_t first;
        std::size_t count;
    };
    std::vector<Run> runs;
    for (const detail::Tap& column : columns) {
        const auto first = static_cast<std::size_t>(column.near);
        const auto end = static_cast<std::size_t>(column.far) + 3;
        if (!runs.empty() && first <= runs.back().first + runs.back().count) {
            runs.back().count = std::max(runs.back().count, end - runs.back().first);
        } else {
            runs.push_back({first, end - first});
        }
    }

    for (LONG y = 0; y < hd; ++y) {
        const detail::Tap& row = rows[static_cast<std::size_t>(y)];
        const std::span<BYTE> out = target.Scanline(y);
        // Rows that sample the source alike come out alike (every row, for a source 1 high).
        if (y > 0 && row == rows[static_cast<std::size_t>(y) - 1]) {
            std::memcpy(out.data(), target.Scanline(y - 1).data(), destBytes);
            continue;
        }
        const BYTE* near = Scanline(static_cast<LONG>(row.near)).data();
        const BYTE* far = Scanline(static_cast<LONG>(row.far)).data();
        for (const Run& run : runs) {
            detail::BlendRows(near + run.first, far + run.first, row.nearWeight, row.farWeight,
                              blended.data() + run.first, run.count);
        }
        detail::BlendColumns(blended.data(), columns.data(), out.data(),
                             static_cast<std::size_t>(wd));
    }
}

}  // namespace orvane
