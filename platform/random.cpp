#include "platform/random.h"

#include <bit>
#include <ctime>

namespace orvane::platform {
namespace detail {

Pcg32 g_builtinRandom;
RandomSource* g_randomOverride = nullptr;

void Pcg32::Mix(std::uint64_t value) {
    // SplitMix64 finaliser over the old state and the value: every seed bit reaches every state
    // bit, and the old state keeps its part.
    std::uint64_t z = state_ ^ (value + 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    state_ = z ^ (z >> 31);
    Next();
}

}  // namespace detail

float Timer() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
    return static_cast<float>(seconds + static_cast<double>(now.tv_nsec) * 1e-9);
}

void Randomize(float seed) {
    if (detail::g_randomOverride != nullptr) {
        detail::g_randomOverride->Reseed(seed);
        return;
    }
    detail::g_builtinRandom.Mix(std::bit_cast<std::uint32_t>(seed));
}

RandomSource* SetRandomSource(RandomSource* source) {
    RandomSource* previous = detail::g_randomOverride;
    detail::g_randomOverride = source;
    return previous;
}

}  // namespace orvane::platform
