#include "platform/random.h"

#include <bit>
#include <cstdint>
#include <ctime>

#include "platform/random_testing.h"

namespace orvane::platform {
namespace {

// PCG32 (O'Neill): small, fast and of good statistical quality; a draw is its top 24 bits, so
// every value is exactly representable in single precision and below 1.
class Pcg32 {
  public:
    void Mix(std::uint64_t value) {
        // SplitMix64 finaliser over the old state and the value: every seed bit reaches every
        // state bit, and the old state keeps its part.
        std::uint64_t z = state_ ^ (value + 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        state_ = z ^ (z >> 31);
        Next();
    }

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

Pcg32 g_builtin;
testing::RandomSource* g_scripted = nullptr;

}  // namespace

float Timer() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    return static_cast<float>(seconds + static_cast<double>(now.tv_nsec) * 1e-9);
}

void Randomize(float seed) {
    if (g_scripted != nullptr) {
        g_scripted->Reseed(seed);
        return;
    }
    g_builtin.Mix(std::bit_cast<std::uint32_t>(seed));
}

float Rnd() {
    if (g_scripted != nullptr) [[unlikely]] {
        return g_scripted->Next();
    }
    return g_builtin.Next();
}

testing::RandomSource* testing::SetRandomSource(RandomSource* source) {
    RandomSource* previous = g_scripted;
    g_scripted = source;
    return previous;
}

}  // namespace orvane::platform
