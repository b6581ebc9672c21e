// Which processor-specific builds of a routine may run here. A routine that comes in a build for
// a newer instruction set and a plain one asks before each use, so that a test can rule the newer
// builds out (cpu_features_testing.h) and run the plain ones on any machine.
#pragma once

namespace orvane::platform {

enum class CpuFeature {
    Ssse3,  // x86-64: the byte shuffle
    Avx2,   // x86-64: 256-bit integer and floating-point vectors
};

// Whether this processor has feature and no test has ruled the newer builds out. False on
// processors other than x86-64.
bool CpuHas(CpuFeature feature);

}  // namespace orvane::platform
