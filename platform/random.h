// The runtime's time of day and pseudo-random generator.
//
// Randomize mixes its seed into the generator's state rather than replacing it, so two reseeds
// with the same value (two calls within one tick of the clock) still give different sequences.
// Tests replace the generator with a scripted one through SetRandomSource.
#pragma once

#include <cstdint>

namespace orvane::platform {

// Seconds since local midnight, with fraction.
float Timer();

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    virtual void Reseed(float seed) = 0;
    // The next value u, 0 <= u < 1.
    virtual float Next() = 0;
};

namespace detail {

// PCG32 (O'Neill): small, fast and of good statistical quality; a draw is its top 24 bits, so
// every value is exactly representable in single precision and below 1.
class Pcg32 {
  public:
    void Mix(std::uint64_t value);
    float Next() {
        const std::uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + kIncrement;
        const auto xorShifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
        const auto rotation = static_cast<std::uint32_t>(old >> 59);
        const std::uint32_t bits =
            (xorShifted >> rotation) | (xorShifted << ((32 - rotation) & 31));
        return static_cast<float>(bits >> 8) * 0x1.0p-24f;
    }

  private:
    static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
    std::uint64_t state_ = 0x853c49e6748fea9bULL;
};

extern Pcg32 g_builtinRandom;
extern RandomSource* g_randomOverride;

}  // namespace detail

void Randomize(float seed);

inline float Rnd() {
    if (detail::g_randomOverride != nullptr) {
        return detail::g_randomOverride->Next();
    }
    return detail::g_builtinRandom.Next();
}

// Routes Randomize and Rnd to source (nullptr: back to the built-in generator); returns the
// source it replaces. The caller keeps ownership.
RandomSource* SetRandomSource(RandomSource* source);

class ScopedRandomSource {
  public:
    explicit ScopedRandomSource(RandomSource& source) : previous_(SetRandomSource(&source)) {}
    ~ScopedRandomSource() { SetRandomSource(previous_); }
    ScopedRandomSource(const ScopedRandomSource&) = delete;
    ScopedRandomSource& operator=(const ScopedRandomSource&) = delete;

  private:
    RandomSource* previous_;
};

}  // namespace orvane::platform
