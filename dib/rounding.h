// Rounding shared by the resampler and the noise fill. Internal to dib/.
#pragma once

namespace orvane::detail {

// Added to a value below 2^51 in magnitude, it leaves no bits below the units, so the FPU's
// default rounding (to nearest, halves to even) rounds the value; subtracting it again gives the
// rounded value exactly. Unlike std::nearbyint this stays inline and vectorises on every x86-64.
inline constexpr double kRoundingShift = 0x1.8p52;

// The nearest integer, a half going to the even neighbour (0.5 -> 0, 1.5 -> 2), for |v| < 2^51.
inline double RoundHalfEven(double v) {
    return (v + kRoundingShift) - kRoundingShift;
}

}  // namespace orvane::detail
