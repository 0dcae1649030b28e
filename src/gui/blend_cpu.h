// Processor features read once when the library starts, and the choice of the blend path.
#pragma once

namespace qv {

struct CpuFeatures {
    bool sse = false;
    bool sse2 = false;
    bool sse3 = false;
    bool sse41 = false;
    bool sse42 = false;
    bool mmxExtensions = false;  // extended function 0x80000001, EDX bit 22
    bool amd3dNow = false;       // extended function 0x80000001, EDX bit 31
};

const CpuFeatures& cpuFeatures();

// Process-wide override that sends every blend through the plain path. Off in the product;
// tests and benchmarks switch it to compare the two paths.
void setPlainBlendOverride(bool on);

// True when the blend routine uses the SSE2 kernels: SSE2 present and the override off.
bool blendUsesKernels();

}  // namespace qv
