#include "gui/blend_cpu.h"

#include <cpuid.h>

#include <atomic>

namespace qv {
namespace {

CpuFeatures readCpuFeatures() {
    CpuFeatures f;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.sse = (d >> 25) & 1u;
        f.sse2 = (d >> 26) & 1u;
        f.sse3 = c & 1u;
        f.sse41 = (c >> 19) & 1u;
        f.sse42 = (c >> 20) & 1u;
    }
    if (__get_cpuid(0x80000001u, &a, &b, &c, &d)) {
        f.mmxExtensions = (d >> 22) & 1u;
        f.amd3dNow = (d >> 31) & 1u;
    }
    return f;
}

// Read while the library is loaded, before any draw pass.
const CpuFeatures g_features = readCpuFeatures();
std::atomic<bool> g_plainOverride{false};

}  // namespace

const CpuFeatures& cpuFeatures() { return g_features; }

void setPlainBlendOverride(bool on) { g_plainOverride.store(on, std::memory_order_relaxed); }

bool blendUsesKernels() { return g_features.sse2 && !g_plainOverride.load(std::memory_order_relaxed); }

}  // namespace qv
