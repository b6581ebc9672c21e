#include "platform/cpu_features.h"

#include <atomic>

#include "platform/cpu_features_testing.h"

namespace orvane::platform {
namespace {

std::atomic<int> plainScopes{0};

}  // namespace

bool CpuHas(CpuFeature feature) {
    if (plainScopes.load(std::memory_order_relaxed) > 0) {
        return false;
    }
#if defined(__x86_64__)
    // Asks the processor once, the first time; every later call reads what it said.
    __builtin_cpu_init();
    switch (feature) {
        case CpuFeature::Ssse3:
            return __builtin_cpu_supports("ssse3") != 0;
        case CpuFeature::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
    }
#endif
    static_cast<void>(feature);
    return false;
}

namespace testing {

ScopedPlainCpu::ScopedPlainCpu() {
    ++plainScopes;
}

ScopedPlainCpu::~ScopedPlainCpu() {
    --plainScopes;
}

}  // namespace testing
}  // namespace orvane::platform
