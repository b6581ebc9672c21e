// Comparing a picture a test reads back with the one it expects, so that a failure names the
// first pixel that differs and both its colours rather than a bare "not equal".
#pragma once

#include <gtest/gtest.h>

#include "tests/support/pictures.h"

namespace orvane::testing {

// Whether got is want's size, with no channel of any pixel more than tolerance away from want's.
// A bitmap compares exactly; a JPEG within a tolerance that the caller explains.
::testing::AssertionResult PicturesNear(const PixelView& got, const PixelView& want,
                                        int tolerance = 0);

// Whether got is want's size, with the channels off by no more than limit on average: for a JPEG
// of hard edges, where the encoder rings and no bound on a single pixel tells much.
::testing::AssertionResult MeanErrorWithin(const PixelView& got, const PixelView& want,
                                           double limit);

}  // namespace orvane::testing
