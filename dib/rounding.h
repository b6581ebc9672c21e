// Rounding shared by the resampler and the noise fill. Internal to dib/.
#pragma once

namespace orvane::detail {

// The nearest integer, a half going to the even neighbour (0.5 -> 0, 1.5 -> 2), for |v| < 2^51.
// Adding 1.5 * 2^52 leaves no bits below the units, so the FPU's default rounding does the work;
// unlike std::nearbyint this stays inline and vectorises on every x86-64.
inline double RoundHalfEven(double v) {
    constexpr double kShift = 0x1.8p52;
    return (v + kShift) - kShift;
}

}  // namespace orvane::detail
