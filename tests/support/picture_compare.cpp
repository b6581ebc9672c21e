#include "tests/support/picture_compare.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>

namespace orvane::testing {
namespace {

struct Channels {
    COLORREF colour;
};

std::ostream& operator<<(std::ostream& os, Channels c) {
    return os << int{GetRValue(c.colour)} << "," << int{GetGValue(c.colour)} << ","
              << int{GetBValue(c.colour)};
}

int Distance(COLORREF a, COLORREF b, int (*combine)(int, int, int)) {
    return combine(std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                   std::abs(GetBValue(a) - GetBValue(b)));
}

::testing::AssertionResult SameSize(const PixelView& got, const PixelView& want) {
    if (got.width == want.width && got.height == want.height) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the picture is " << got.width << " x " << got.height
                                         << ", not " << want.width << " x " << want.height;
}

}  // namespace

::testing::AssertionResult PicturesNear(const PixelView& got, const PixelView& want,
                                        int tolerance) {
    if (auto sized = SameSize(got, want); !sized) {
        return sized;
    }
    const auto worst = [](int r, int g, int b) { return std::max({r, g, b}); };
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            const COLORREF a = got.at(x, y), b = want.at(x, y);
            if (Distance(a, b, worst) > tolerance) {
                return ::testing::AssertionFailure()
                       << "first pixel more than " << tolerance << " away at (" << x << ", " << y
                       << "): got " << Channels{a} << ", want " << Channels{b};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MeanErrorWithin(const PixelView& got, const PixelView& want,
                                           double limit) {
    if (auto sized = SameSize(got, want); !sized) {
        return sized;
    }
    const auto sum = [](int r, int g, int b) { return r + g + b; };
    double error = 0;
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            error += Distance(got.at(x, y), want.at(x, y), sum);
        }
    }
    const double mean = error / (3.0 * want.width * want.height);
    if (mean <= limit) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "mean error " << mean << ", more than " << limit;
}

}  // namespace orvane::testing
