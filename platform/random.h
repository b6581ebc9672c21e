// The runtime's time of day and pseudo-random generator.
//
// Randomize mixes its seed into the generator's state rather than replacing it, so two reseeds
// with the same value (two calls within one tick of the clock) still give different sequences.
#pragma once

namespace orvane::platform {

// Seconds since local midnight, with fraction.
float Timer();

// Reseeds the generator.
void Randomize(float seed);

// The generator's next value u, 0 <= u < 1.
float Rnd();

}  // namespace orvane::platform
