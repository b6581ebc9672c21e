#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dib/cdibsection.h"
#include "platform/random.h"
#include "tests/support/buffers.h"
#include "tests/support/recorders.h"
#include "tests/support/row_name.h"

namespace {

using orvane::cDIBSection;
using namespace orvane::testing;

constexpr BYTE kFiller = 0xAB;

// Draws whose channel values catch truncation (0.5 -> 127.5 -> 128, 0.1f -> 25.5000004 -> 26)
// and the top of the range (the largest float below 1 -> 255).
constexpr float kHalf = 0.5f, kTenth = 0.1f, kQuarter = 0.25f, kTop = 0.99999994f;
constexpr float kLow = 0.0019f;   // 0.4845 -> 0
constexpr float kAbove = 0.002f;  // 0.51 -> 1
constexpr float kZero = 0.0f;

struct NoiseCase {
    const char* name;
    LONG width, height;
    std::optional<bool> gray;  // empty: the default argument
    std::vector<float> draws;
    // Expected pixels in memory order, each as {blue, green, red}.
    std::vector<std::vector<std::array<int, 3>>> rows;

    friend void PrintTo(const NoiseCase& c, std::ostream* os) { *os << c.name; }
};

class RandomiseBits : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(RandomiseBits, FillsEachPixelFromTheDrawsInItsOrderAndKeepsTheFiller) {
    const NoiseCase& c = GetParam();
    Buffer buffer = MakeBuffer(c.width, c.height);
    std::memset(buffer->DIBSectionBitsPtr(), kFiller,
                static_cast<std::size_t>(buffer->Height() * buffer->BytesPerScanLine()));
    ScriptedRandom random(c.draws);
    if (c.gray) {
        buffer->RandomiseBits(*c.gray);
    } else {
        buffer->RandomiseBits();
    }
    EXPECT_EQ(random.seeds.size(), 1u);
    EXPECT_EQ(random.draws, c.draws.size());
    for (LONG r = 0; r < c.height; ++r) {
        const BYTE* row = Row(*buffer, r);
        for (LONG x = 0; x < c.width; ++x) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(row[3 * x + k], c.rows[r][x][k])
                    << "row " << r << " column " << x << " channel " << k;
            }
        }
        for (LONG o = 3 * c.width; o < buffer->BytesPerScanLine(); ++o) {
            EXPECT_EQ(row[o], kFiller) << "filler at row " << r << " offset " << o;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, RandomiseBits,
    ::testing::Values(
        // Grey: one draw a pixel, row by row in memory order.
        NoiseCase{"grey_2x2",
                  2,
                  2,
                  true,
                  {kHalf, kTenth, kQuarter, kTop},
                  {{{128, 128, 128}, {26, 26, 26}}, {{64, 64, 64}, {255, 255, 255}}}},
        NoiseCase{
            "grey_3x2_with_filler",
            3,
            2,
            true,
            {kLow, kAbove, kZero, kTop, kHalf, kTenth},
            {{{0, 0, 0}, {1, 1, 1}, {0, 0, 0}}, {{255, 255, 255}, {128, 128, 128}, {26, 26, 26}}}},
        NoiseCase{"grey_1_wide",
                  1,
                  3,
                  true,
                  {kHalf, kTenth, kTop},
                  {{{128, 128, 128}}, {{26, 26, 26}}, {{255, 255, 255}}}},
        // Colour: blue 0, green then red, column by column, each column from the first row.
        NoiseCase{"colour_2x2",
                  2,
                  2,
                  false,
                  {kHalf, kTenth, kQuarter, kTop, kLow, kAbove, kZero, kHalf},
                  {{{0, 128, 26}, {0, 0, 1}}, {{0, 64, 255}, {0, 0, 128}}}},
        NoiseCase{
            "colour_3x2_with_filler",
            3,
            2,
            false,
            {kHalf, kTenth, kQuarter, kTop, kLow, kAbove, kZero, kHalf, kTenth, kQuarter, kTop,
             kAbove},
            {{{0, 128, 26}, {0, 0, 1}, {0, 26, 64}}, {{0, 64, 255}, {0, 0, 128}, {0, 255, 1}}}},
        NoiseCase{"no_argument_is_colour",
                  1,
                  2,
                  std::nullopt,
                  {kTop, kHalf, kTenth, kZero},
                  {{{0, 255, 128}}, {{0, 26, 0}}}}),
    RowName());

TEST(RandomiseBitsSeed, IsTheTimeOfDayOnEveryCall) {
    Buffer buffer = MakeBuffer(1, 1);
    ScriptedRandom random({kHalf, kHalf, kHalf});
    const float before = orvane::platform::Timer();
    buffer->RandomiseBits(true);
    buffer->RandomiseBits();
    const float after = orvane::platform::Timer();
    ASSERT_EQ(random.seeds.size(), 2u);
    if (after >= before) {  // not across midnight
        for (float seed : random.seeds) {
            EXPECT_GE(seed, before);
            EXPECT_LE(seed, after);
        }
    }
}

// A buffer without pixel memory: no draw may be taken (the script is empty) and nothing written;
// the sanitizer build catches a write into freed memory.
TEST(RandomiseBitsSeed, AnEmptyBufferIsReseededButNotWritten) {
    cDIBSection never;
    Buffer cleared = MakeBuffer(4, 4);
    cleared->ClearUp();
    Buffer failed = MakeBuffer(4, 4);
    EXPECT_FALSE(failed->Create(0, 4));
    for (cDIBSection* buffer : {&never, cleared.get(), failed.get()}) {
        for (bool gray : {false, true}) {
            ScriptedRandom random({});
            buffer->RandomiseBits(gray);
            EXPECT_EQ(random.seeds.size(), 1u);
            EXPECT_EQ(random.draws, 0u);
        }
    }
}

}  // namespace
