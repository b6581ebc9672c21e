// Lets tests run the plain build of every processor-specific routine, on any machine.
#pragma once

namespace orvane::platform::testing {

// While one lives, CpuHas answers false for every feature. Neither copied nor moved.
class ScopedPlainCpu {
  public:
    ScopedPlainCpu();
    ~ScopedPlainCpu();
    ScopedPlainCpu(ScopedPlainCpu&&) = delete;
};

}  // namespace orvane::platform::testing
