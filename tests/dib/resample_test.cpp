#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "dib/cdibsection.h"
#include "dib/resample_kernels.h"
#include "platform/gdi.h"
#include "platform/gdi_testing.h"
#include "tests/support/buffers.h"
#include "tests/support/row_name.h"

namespace {

using orvane::cDIBSection;
using orvane::platform::LiveGdiObjectCount;
using namespace orvane::testing;

using Rows = std::vector<std::vector<int>>;

// Every byte of the destination: each pixel's three channels hold the row's value, the filler
// stays 0 as the new section was made.
void ExpectGrey(const cDIBSection& buffer, const Rows& rows) {
    ASSERT_EQ(buffer.Height(), static_cast<LONG>(rows.size()));
    ASSERT_EQ(buffer.Width(), static_cast<LONG>(rows[0].size()));
    for (LONG r = 0; r < buffer.Height(); ++r) {
        const BYTE* row = Row(buffer, r);
        for (LONG o = 0; o < buffer.BytesPerScanLine(); ++o) {
            const int expected = o < 3 * buffer.Width() ? rows[r][o / 3] : 0;
            EXPECT_EQ(row[o], expected) << "row " << r << " offset " << o;
        }
    }
}

struct ScaleCase {
    const char* name;
    Rows source;  // grey values, memory order
    Rows expected;

    friend void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }
};

class Resample : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(Resample, GivesTheWorkedValues) {
    const ScaleCase& c = GetParam();
    Buffer source = GreyBuffer(c.source);
    const auto before = Bytes(*source);
    auto result = source->Resample(static_cast<LONG>(c.expected.size()),
                                   static_cast<LONG>(c.expected[0].size()));
    ASSERT_NE(result, nullptr);
    ExpectGrey(*result, c.expected);
    EXPECT_EQ(Bytes(*source), before) << "the source is only read";
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, Resample,
    ::testing::Values(
        // xScale 0.25: samples 0, 0.25, 0.5, 0.75; the last column is never reached.
        ScaleCase{"upscale_2x1_to_4x1", {{0, 100}}, {{0, 25, 50, 75}}},
        // Row 2, column 2: left R(0.5) = 0, right R(2.5) = 2, then R(1) = 1, where one blend of
        // all four would give R(1.5) = 2.
        ScaleCase{"two_stage_rounding_2x2_to_4x4",
                  {{0, 2}, {1, 3}},
                  {{0, 0, 1, 2}, {0, 0, 1, 2}, {0, 0, 1, 2}, {1, 2, 2, 2}}},
        // xScale 1.5: column 1 is R(15.5) = 16; column 3 is never used.
        ScaleCase{"downscale_4x1_to_2x1", {{5, 10, 21, 250}}, {{5, 16}}},
        ScaleCase{"one_wide_source", {{10}, {20}, {30}}, {{10, 10, 10}, {20, 20, 20}}},
        // Single-precision positions 0, 0.4, 0.8, 1.2, 1.6 and weights.
        ScaleCase{
            "one_high_source", {{0, 100, 200}}, {{0, 40, 80, 120, 160}, {0, 40, 80, 120, 160}}},
        ScaleCase{"one_by_one_source", {{77}}, {{77, 77, 77}, {77, 77, 77}}},
        // Only column 0 is sampled; rows blend as usual.
        ScaleCase{"one_wide_destination", {{10, 50, 90}, {21, 60, 99}}, {{10}, {16}}},
        // Only the first row in memory is sampled.
        ScaleCase{"one_high_destination", {{10, 21}, {200, 200}, {200, 200}}, {{10, 16}}}),
    RowName());

// The algorithm written out per pixel, straight from its definition, for comparison with the
// row-at-a-time resampler on pictures and sizes where rounding and edges all come into play.
std::vector<BYTE> ReferenceScale(const cDIBSection& source, LONG wd, LONG hd, LONG stride) {
    const LONG ws = source.Width(), hs = source.Height();
    const float xScale = static_cast<float>(static_cast<double>(ws - 1) / wd);
    const float yScale = static_cast<float>(static_cast<double>(hs - 1) / hd);
    auto round = [](double v) { return static_cast<int>(std::nearbyint(v)); };
    std::vector<BYTE> out(static_cast<std::size_t>(hd * stride));
    for (LONG y = 0; y < hd; ++y) {
        const float sy = static_cast<float>(y) * yScale;
        const LONG iy = static_cast<LONG>(std::floor(sy));
        const float fy = sy - static_cast<float>(iy);
        const BYTE* a = Row(source, iy);
        const BYTE* c = Row(source, iy + 1 < hs ? iy + 1 : iy);
        for (LONG x = 0; x < wd; ++x) {
            const float sx = static_cast<float>(x) * xScale;
            const LONG ix = static_cast<LONG>(std::floor(sx));
            const float fx = sx - static_cast<float>(ix);
            const LONG jx = ix + 1 < ws ? ix + 1 : ix;
            for (int k = 0; k < 3; ++k) {
                const double wy0 = 1.0f - fy, wy1 = fy;
                const int left = round(wy0 * a[3 * ix + k] + wy1 * c[3 * ix + k]);
                const int right = round(wy0 * a[3 * jx + k] + wy1 * c[3 * jx + k]);
                const int v = round(double{1.0f - fx} * left + double{fx} * right);
                out[static_cast<std::size_t>(y * stride + 3 * x + k)] =
                    static_cast<BYTE>(v < 0     ? 0
                                      : v > 255 ? 255
                                                : v);
            }
        }
    }
    return out;
}

// Noise from a linear congruential generator: no pattern for the resampler to get right by chance.
BYTE Noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<BYTE>(state >> 24);
}

struct SizeCase {
    const char* name;
    LONG ws, hs, wd, hd;

    friend void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }
};

class ResampleMatchesPerPixelDefinition : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResampleMatchesPerPixelDefinition, ForEveryByte) {
    const SizeCase& c = GetParam();
    Buffer source = MakeBuffer(c.ws, c.hs);
    std::uint32_t state = 12345;
    for (LONG r = 0; r < c.hs; ++r) {
        BYTE* row = Row(*source, r);
        for (LONG o = 0; o < 3 * c.ws; ++o) {
            row[o] = Noise(state);
        }
    }
    auto result = source->Resample(c.hd, c.wd);
    ASSERT_NE(result, nullptr);
    const auto expected = ReferenceScale(*source, c.wd, c.hd, result->BytesPerScanLine());
    const auto actual = Bytes(*result);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i], expected[i]) << "row " << i / result->BytesPerScanLine() << " offset "
                                          << i % result->BytesPerScanLine();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ResampleMatchesPerPixelDefinition,
    ::testing::Values(SizeCase{"double_canvas_strip", 608, 16, 1216, 32},
                      SizeCase{"halve_canvas_strip", 608, 16, 304, 8},
                      SizeCase{"odd_up", 7, 5, 20, 11}, SizeCase{"odd_down", 13, 9, 5, 4},
                      SizeCase{"width_only", 9, 6, 4, 6}, SizeCase{"height_only", 5, 9, 5, 23},
                      SizeCase{"up_and_down", 33, 1, 7, 3}, SizeCase{"one_wide", 1, 7, 6, 3},
                      SizeCase{"prime_ratio", 31, 29, 37, 41}),
    RowName());

// The vector kernel (where this processor has one) against the portable one, byte for byte,
// including the byte after the row, which neither may touch.
TEST_P(ResampleMatchesPerPixelDefinition, VectorAndPortableColumnKernelsAgree) {
    const auto vector = orvane::detail::VectorBlendColumns();
    if (vector == nullptr) {
        GTEST_SKIP() << "no vector kernel on this processor";
    }
    const SizeCase& c = GetParam();
    const auto columns = orvane::detail::MakeTaps(c.ws, c.wd, 3);
    std::vector<double> blended(3 * static_cast<std::size_t>(c.ws) + 1);
    std::uint32_t state = 99;
    for (double& value : blended) {
        value = Noise(state);
    }
    constexpr BYTE kSentinel = 0x5C;
    std::vector<BYTE> portable(3 * static_cast<std::size_t>(c.wd) + 1, kSentinel);
    std::vector<BYTE> vectored(portable);
    orvane::detail::BlendColumnsPortable(blended.data(), columns.data(), portable.data(),
                                         static_cast<std::size_t>(c.wd));
    vector(blended.data(), columns.data(), vectored.data(), static_cast<std::size_t>(c.wd));
    EXPECT_EQ(vectored, portable);
    EXPECT_EQ(vectored.back(), kSentinel);
}

TEST(ResampleSize, HeightComesFirst) {
    Buffer source = MakeBuffer(10, 10);
    auto result = source->Resample(20, 40);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 40);
    EXPECT_EQ(result->Height(), 20);
}

TEST(ResampleSize, TheOwnSizeIsAnExactCopyInANewBuffer) {
    constexpr int kWidth = 7, kHeight = 5;
    const Surface picture(kWidth, kHeight, Distinct, 3);
    Buffer source = BufferOf(picture);
    auto copy = source->Resample(kHeight, kWidth);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->hDib(), source->hDib());
    EXPECT_EQ(Pixels(copy->hdc(), kWidth, kHeight), Pixels(picture.dc(), kWidth, kHeight));
}

TEST(ResampleSize, NoBufferForSizesCreateRefuses) {
    Buffer source = MakeBuffer(4, 4);
    const std::size_t before = LiveGdiObjectCount();
    for (auto [height, width] : {std::pair{0, 4}, {4, 0}, {-1, 5}, {5, -1}, {0, 0}}) {
        EXPECT_EQ(source->Resample(height, width), nullptr) << height << " x " << width;
    }
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

// Every empty state, including those that still report a size: nothing is read (the sanitizer
// build catches a read of freed memory) and no buffer is made.
TEST(ResampleSize, AnEmptySourceGivesNoBuffer) {
    cDIBSection never;
    Buffer cleared = MakeBuffer(4, 4);
    cleared->ClearUp();
    Buffer failed = MakeBuffer(4, 4);
    EXPECT_FALSE(failed->Create(-4, 4));
    const std::size_t before = LiveGdiObjectCount();
    for (const cDIBSection* source : {&never, cleared.get(), failed.get()}) {
        EXPECT_EQ(source->Resample(8, 8), nullptr);
        EXPECT_EQ(source->Resample(source->Height(), source->Width()), nullptr);
    }
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

}  // namespace
